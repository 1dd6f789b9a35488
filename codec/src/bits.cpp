#include "bits.hpp"

#include <bit>
#include <cstring>
#include <string>

namespace talvane::codec {

Result<Payload> read_payload(StreamReader& reader, std::uint64_t length) {
  if (length > reader.remaining()) {
    reader.skip_to_end();
    return CodecError::malformed("block payload is shorter than its header declares");
  }
  return reader.read_bytes(length);
}

void BitReader::place(std::uint64_t value, unsigned bits) {
  // Refills happen only while fewer than 64 bits are buffered.
  if (count_ == 0) {
    low_ = value;
  } else {
    low_ |= value << count_;
    high_ |= value >> (64 - count_);
  }
  count_ = static_cast<std::uint8_t>(count_ + bits);
}

static std::uint64_t load_le64(const std::uint8_t* bytes) {
  std::uint64_t word;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, bytes, sizeof word);
  } else {
    word = 0;
    for (int i = 7; i >= 0; --i) word = (word << 8) | bytes[i];
  }
  return word;
}

bool BitReader::refill(unsigned width) {
  while (count_ < width) {
    const std::uint64_t left = payload_.size() - next_;
    if (left >= 8) {
      place(load_le64(payload_.data() + next_), 64);
      next_ += 8;
    } else if (left >= 1) {
      place(payload_[next_], 8);
      next_ += 1;
    } else {
      return false;
    }
  }
  return true;
}

static void check_width(unsigned width) {
  if (width > 64) fatal_internal_error("bit width " + std::to_string(width) + " exceeds 64");
}

Result<std::uint64_t> BitReader::read_slow(unsigned width) {
  check_width(width);
  if (!refill(width)) return CodecError::io(UNEXPECTED_END_OF_FILE);
  return take(width);
}

void BitReader::refill_known(unsigned width) {
  check_width(width);
  if (!refill(width)) count_ = static_cast<std::uint8_t>(width);  // zero bits above the buffered ones
}

Result<void> BitReader::skip(std::uint64_t bits) {
  if (bits <= count_) {
    discard(static_cast<unsigned>(bits));
    return {};
  }
  // Past the buffer: whole bytes are stepped over in place, without loading them.
  bits -= count_;
  low_ = 0;
  high_ = 0;
  count_ = 0;
  const std::uint64_t whole_bytes = bits / 8;
  if (whole_bytes > payload_.size() - next_) {
    next_ = payload_.size();
    return CodecError::io(UNEXPECTED_END_OF_FILE);
  }
  next_ += whole_bytes;
  auto rest = read(static_cast<unsigned>(bits % 8));
  if (!rest) return rest.error();
  return {};
}

Result<void> BitReader::finish() {
  if (count_ >= 8 || next_ != payload_.size()) {
    return CodecError::malformed("block payload length disagrees with the block header");
  }
  take(count_ % 8);
  return {};
}

}  // namespace talvane::codec
