# Writes one geometry stream as a C++ source holding its bytes, so that the library carries the
# stream and never reads a file at run time.
#
#   cmake -DINPUT=<stream file> -DOUTPUT=<.cpp to write> -DSYMBOL=<C++ name> -P embed_stream.cmake
#
# The source defines talvane::embedded::<SYMBOL>, a std::span over the bytes.
foreach(variable INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "embed_stream.cmake: ${variable} is not set")
  endif()
endforeach()
if(NOT SYMBOL MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
  message(FATAL_ERROR "embed_stream.cmake: '${SYMBOL}' is not a C++ identifier")
endif()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "embed_stream.cmake: ${INPUT} is empty")
endif()
math(EXPR byte_count "${hex_length} / 2")

# Sixteen bytes to a line, each as 0xNN.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
       "\\1\n" lines "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," lines "${lines}")

get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// Generated from ${input_name} by cmake/embed_stream.cmake; do not edit.
#include <cstdint>
#include <span>

namespace talvane::embedded {
namespace {

constexpr std::uint8_t BYTES[${byte_count}] = {
${lines}
};

}  // namespace

extern const std::span<const std::uint8_t> ${SYMBOL};
constinit const std::span<const std::uint8_t> ${SYMBOL}{BYTES};

}  // namespace talvane::embedded
")
