#include "container.hpp"

#include <algorithm>
#include <array>

namespace talvane::codec {

static constexpr std::array<std::uint8_t, 4> MAGIC{'Q', 'R', 'V', 'T'};
static constexpr std::uint8_t LAST_KIND_BYTE = 5;
static constexpr std::uint8_t FILE_HAS_METADATA = 1;

Result<ContainerHeader> read_container_header(StreamReader& reader, ContainerKind requested) {
  auto magic = reader.read_bytes(MAGIC.size());
  if (!magic) return magic.error();
  if (!std::equal(MAGIC.begin(), MAGIC.end(), magic.value().begin())) return CodecError::bad_magic();

  ContainerHeader header;
  auto version = reader.read_u8();
  if (!version) return version.error();
  if (version.value() != FORMAT_VERSION) return CodecError::unsupported_version(version.value());
  header.version = version.value();

  auto kind = reader.read_u8();
  if (!kind) return kind.error();
  if (kind.value() == 0 || kind.value() > LAST_KIND_BYTE)
    return CodecError::malformed("unknown container kind");
  header.kind = static_cast<ContainerKind>(kind.value() - 1);

  auto compression = reader.read_u8();
  if (!compression) return compression.error();
  if (compression.value() != 0) return CodecError::unsupported_compression(compression.value());
  header.compression = compression.value();

  auto flags = reader.read_u8();
  if (!flags) return flags.error();
  if ((flags.value() & ~FILE_HAS_METADATA) != 0) return CodecError::malformed("file sets unknown flag bits");
  header.flags = flags.value();

  auto item_count = reader.read_u32();
  if (!item_count) return item_count.error();
  header.item_count = item_count.value();

  if (header.flags & FILE_HAS_METADATA) {
    auto metadata = read_metadata(reader);
    if (!metadata) return metadata.error();
    header.file_metadata = std::move(metadata).value();
  }
  // Compared only now, so a faulty metadata section is reported first.
  if (header.kind != requested)
    return CodecError::malformed("container holds a different kind than requested");
  return header;
}

Result<ItemHeader> read_item_header(StreamReader& reader, bool polyline) {
  ItemHeader item;
  auto flags = reader.read_u8();
  if (!flags) return flags.error();
  if (flags.value() >= 8) return CodecError::malformed("item sets unknown flag bits");
  if ((flags.value() & ITEM_CLOSED) && !polyline) {
    return CodecError::malformed("item sets the closed flag, which only applies to polylines");
  }
  item.flags = flags.value();

  if (item.flags & ITEM_HAS_METADATA) {
    auto metadata = read_metadata(reader);
    if (!metadata) return metadata.error();
    item.metadata = std::move(metadata).value();
  }
  if (item.flags & ITEM_HAS_NAME) {
    auto name = read_utf8_string(reader, MAX_NAME_LENGTH, "item name length is implausible",
                                 "item name is not valid UTF-8");
    if (!name) return name.error();
    item.name = std::move(name).value();
  }
  auto attribute_blocks = reader.read_u8();
  if (!attribute_blocks) return attribute_blocks.error();
  if (attribute_blocks.value() != 0) return CodecError::unsupported_attributes(attribute_blocks.value());
  return item;
}

}  // namespace talvane::codec
