#pragma once
// Block payloads and the bit reader that unpacks them: unsigned fields of
// 0 to 64 bits, least significant bit first, back to back.

#include <cstddef>
#include <cstdint>
#include <span>

#include "fatal_error.hpp"
#include "result.hpp"
#include "stream_reader.hpp"

namespace talvane::codec {

// A block's payload, viewed in place inside the stream (valid while the
// stream is): the stream is in memory, so no payload is ever copied.
using Payload = std::span<const std::uint8_t>;

// Takes exactly `length` bytes out of the stream. Fails with Malformed
// "block payload is shorter than its header declares" (cursor at the end) when
// fewer remain.
Result<Payload> read_payload(StreamReader& reader, std::uint64_t length);

class BitReader {
 public:
  // Views `payload`, which must outlive the reader.
  explicit BitReader(std::span<const std::uint8_t> payload) : payload_(payload) {}

  // The next `width` bits (0 to 64) as an unsigned value. Width 0 reads
  // nothing and never fails; running out of payload fails with Io
  // "unexpected end of file". A width above 64 is a caller bug and aborts.
  Result<std::uint64_t> read(unsigned width) {
    if (width <= count_ && width <= 64) return take(width);
    return read_slow(width);
  }

  // For payloads already known to hold every bit that will be read (sized
  // from their header, or walked by a checking pass): the same fields as
  // `read`, without the error path. Bits past the end would read as 0,
  // never from outside the payload.
  std::uint64_t read_known(unsigned width) {
    if (width > count_ || width > 64) refill_known(width);
    return take(width);
  }

  // Passes over the next `bits` bits as reads of them would, failing the
  // same way (Io "unexpected end of file") if the payload holds fewer.
  Result<void> skip(std::uint64_t bits);

  // Succeeds only if the payload was used up to the byte holding the last
  // bit read; otherwise Malformed "block payload length disagrees with the
  // block header".
  Result<void> finish();

 private:
  std::uint64_t take(unsigned width) {
    if (width == 0) return 0;
    std::uint64_t value;
    if (width == 64) {
      value = low_;
      low_ = high_;
      high_ = 0;
    } else {
      value = low_ & ((std::uint64_t{1} << width) - 1);
      low_ = (low_ >> width) | (high_ << (64 - width));
      high_ >>= width;
    }
    count_ = static_cast<std::uint8_t>(count_ - width);
    return value;
  }
  // Drops `bits` buffered bits, at most the buffered count.
  void discard(unsigned bits) {
    if (bits > 64) {
      take(64);
      bits -= 64;
    }
    take(bits);
  }
  Result<std::uint64_t> read_slow(unsigned width);
  // Loads bytes until `width` bits are buffered or the payload is used up.
  // Returns whether enough bits are buffered.
  bool refill(unsigned width);
  void refill_known(unsigned width);
  // Puts `bits` bits of `value` directly above the buffered ones.
  void place(std::uint64_t value, unsigned bits);

  std::span<const std::uint8_t> payload_;
  std::uint64_t next_ = 0;  // index of the next payload byte not yet loaded
  std::uint64_t low_ = 0;   // buffered bits, right-aligned, next bit is bit 0
  std::uint64_t high_ = 0;
  std::uint8_t count_ = 0;  // buffered bits, 0 to 127
};

}  // namespace talvane::codec
