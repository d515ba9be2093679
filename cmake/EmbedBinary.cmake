# Turns a binary file into a C++ source holding its bytes, for libraries that cannot use JUCE's
# binary data. Run as a script:
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DNAMESPACE=<ns> -DSYMBOL=<name> -P EmbedBinary.cmake
# It defines `const unsigned char <SYMBOL>[]` (with one extra zero byte, so that an empty input
# still gives a valid array) and `const std::size_t <SYMBOL>Size` (the file's real length).
# The output is only rewritten when its content changes.

foreach(var INPUT OUTPUT NAMESPACE SYMBOL)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "EmbedBinary.cmake: ${var} is not set")
    endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")

# Sixteen bytes to a line, then every byte as 0xNN.
string(REPEAT "[0-9a-f][0-9a-f]" 16 sixteenBytes)
string(REGEX REPLACE "(${sixteenBytes})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPLACE "\n" "\n    " bytes "${bytes}")

get_filename_component(inputName "${INPUT}" NAME)
set(content "// Generated from ${inputName} by cmake/EmbedBinary.cmake. Do not edit.
#include <cstddef>

namespace ${NAMESPACE}
{
extern const unsigned char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}Size;

const unsigned char ${SYMBOL}[] = {
    ${bytes}0x00
};
const std::size_t ${SYMBOL}Size = ${byteCount};
} // namespace ${NAMESPACE}
")

set(previous "")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL content)
    file(WRITE "${OUTPUT}" "${content}")
endif()
