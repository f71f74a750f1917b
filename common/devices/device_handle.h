#pragma once

// One opened device or USB pipe, as a program sees it: driver controls, writes and reads that
// carry exactly the bytes of the device contract. Every transport (simulator socket,
// in-process simulator, later a real USB backend) implements this class.
//
// Error codes are the platform's (errno values on Linux), 0 for success. Codes a transport
// gives for the usual cases:
//   ENODEV     the device went away (unplugged) after it was opened
//   EBUSY      the device is opened "not shared" by someone else (open only)
//   ENOENT     no device at that path (open only)
//   EBADF      a write on a handle opened for reading, or the other way round
//   EINVAL     a control code or transfer the device does not know
//   ETIMEDOUT  a read found no answer waiting (USB read pipe, INT900 read)
//   EIO        the transfer failed on the way

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace kw {

// Outcome of one transfer: the error code and the number of bytes that moved. A transfer can
// succeed and still move fewer bytes than asked; the device contract counts that as failure,
// so callers check `complete(expected)`.
struct TransferResult {
    int error = 0;
    std::size_t transferred = 0;

    bool ok() const { return error == 0; }
    bool complete(std::size_t expected) const { return error == 0 && transferred == expected; }
};

enum class Access { Read = 1, Write = 2, ReadWrite = 3 };

// Driver devices are opened Exclusive ("not shared"): a second open, from any program, fails
// with EBUSY while the first handle is open. USB pipes are opened Shared.
enum class Sharing { Exclusive, Shared };

class DeviceHandle {
public:
    virtual ~DeviceHandle() = default; // closes the handle

    // Device I/O control `code` with the input bytes `in`. The device stores its answer at the
    // start of `out` (never more than out.size() bytes); `transferred` = bytes returned.
    virtual TransferResult control(std::uint32_t code, std::span<const std::uint8_t> in,
                                   std::span<std::uint8_t> out) = 0;

    // Writes the bytes; `transferred` = bytes the device took.
    virtual TransferResult write(std::span<const std::uint8_t> data) = 0;

    // Reads at most data.size() bytes into data; `transferred` = bytes read.
    virtual TransferResult read(std::span<std::uint8_t> data) = 0;

    // A second handle on the same opened device (the platform's handle duplication): it works
    // as this one does, is owned by the caller and stays valid after this one is closed.
    // nullptr with *error set when that fails.
    virtual std::unique_ptr<DeviceHandle> duplicate(int* error = nullptr) const = 0;
};

} // namespace kw
