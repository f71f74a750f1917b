#pragma once

// One bus word over a USB860 adapter's pipes, kept in step with the adapter's answer queue.
// Every program that talks to an adapter goes through here, whichever backend carries the
// bytes (simulator socket, in-process simulator, a real adapter).
//
// The adapter queues the answers of read packets in the order the packets came, whoever sent
// them. An answer nobody fetched (a program killed between its read packet and the answer, a
// read that failed while the answer was still on its way) would be taken by the next read of
// any program, and every later read would be one word behind. So the queue is drained:
//   - right after a failed or short transfer, while the caller still holds the adapter's
//     mutex, so that no other program meets what is left;
//   - by whoever takes the mutex over from a dead owner (resynchronise), before its packet.

#include "common/devices/device_handle.h"

#include <chrono>
#include <cstdint>
#include <span>

namespace kw::usb860 {

// How long a drain may take in all; it ends earlier as soon as a read brings nothing.
inline constexpr std::chrono::milliseconds kDrainBound{200};

// Reads and drops whatever waits in the read pipe, until a read finds nothing waiting (or the
// device is gone) or kDrainBound has passed; a few reads that fail on the way are passed over.
// Returns the number of bytes dropped.
std::size_t drainAnswers(DeviceHandle& readPipe);

// Outcome of one bus word: the write of the packet and, for a read packet written whole,
// the read of the 2-byte answer.
struct WordTransfer {
    TransferResult written;
    TransferResult answer;
    bool answered = false;   // the answer's read was made
    std::uint16_t value = 0; // the answer; 0 unless both bytes came

    bool ok(std::size_t packetSize) const;
};

// Writes the packet; for a read packet (isRead) then reads the answer. A failed or short
// transfer drains the read pipe before returning (readPipe may be null for writes only).
WordTransfer transferWord(DeviceHandle& writePipe, DeviceHandle* readPipe,
                          std::span<const std::uint8_t> packet, bool isRead);

} // namespace kw::usb860
