#include "common/devices/usb860_transfer.h"

#include "common/devices/usb860_protocol.h"

#include <array>
#include <cerrno>

namespace kw::usb860 {

namespace {

// The adapter keeps at most a few kilobytes of answers; a drain that reads more than this is
// facing a device that never stops talking.
constexpr std::size_t kMaxDrainBytes = 64 * 1024;
constexpr int kMaxFailedDrainReads = 3;

} // namespace

std::size_t drainAnswers(DeviceHandle& readPipe) {
    const auto deadline = std::chrono::steady_clock::now() + kDrainBound;
    std::array<std::uint8_t, 64> scrap{};
    std::size_t dropped = 0;
    int failures = 0;
    while (dropped < kMaxDrainBytes && std::chrono::steady_clock::now() < deadline) {
        const TransferResult got = readPipe.read(scrap);
        dropped += got.transferred;
        if (got.transferred > 0) {
            continue;
        }
        // A read that failed on the way says nothing about the queue: the answers behind it
        // are still there. Nothing waiting (or a device that is gone) ends the drain.
        const bool transient = got.error == EIO || got.error == EINTR || got.error == EAGAIN;
        if (!transient || ++failures > kMaxFailedDrainReads) {
            break;
        }
    }
    return dropped;
}

bool WordTransfer::ok(std::size_t packetSize) const {
    return written.complete(packetSize) && (!answered || answer.complete(kAnswerSize));
}

WordTransfer transferWord(DeviceHandle& writePipe, DeviceHandle* readPipe,
                          std::span<const std::uint8_t> packet, bool isRead) {
    WordTransfer word;
    word.written = writePipe.write(packet);
    if (isRead && readPipe && word.written.complete(packet.size())) {
        const Answer answer = readAnswer(*readPipe);
        word.answered = true;
        word.answer = answer.transfer;
        word.value = answer.value;
    }
    if (!word.ok(packet.size()) && readPipe) {
        drainAnswers(*readPipe);
    }
    return word;
}

} // namespace kw::usb860
