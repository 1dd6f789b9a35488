#pragma once
// The container header at the start of every stream and the header of each
// item inside it.

#include <cstdint>
#include <optional>
#include <string>

#include "metadata.hpp"
#include "result.hpp"
#include "stream_reader.hpp"

namespace talvane::codec {

// The kind byte minus 1. Only meshes are ever requested; kinds 1 to 4 name
// other item kinds of the format, which the header reader accepts.
enum class ContainerKind : std::uint8_t { Mesh = 0 };

inline constexpr std::uint8_t FORMAT_VERSION = 2;

struct ContainerHeader {
  std::uint8_t version = FORMAT_VERSION;
  ContainerKind kind = ContainerKind::Mesh;
  std::uint8_t compression = 0;
  std::uint8_t flags = 0;
  std::uint32_t item_count = 0;
  Metadata file_metadata;
};

struct ItemHeader {
  std::uint8_t flags = 0;
  std::optional<std::string> name;
  Metadata metadata;
};

inline constexpr std::uint8_t ITEM_CLOSED = 1;
inline constexpr std::uint8_t ITEM_HAS_NAME = 2;
inline constexpr std::uint8_t ITEM_HAS_METADATA = 4;
inline constexpr std::uint32_t MAX_NAME_LENGTH = 65536;

// Magic, version, kind, compression, flags, item count and file metadata,
// checked in that order; the kind is compared with `requested` last.
Result<ContainerHeader> read_container_header(StreamReader& reader, ContainerKind requested);

// Flags, then metadata, then name (in that order, although the name's flag is
// the lower bit), then the attribute block count, which must be 0.
Result<ItemHeader> read_item_header(StreamReader& reader, bool polyline);

}  // namespace talvane::codec
