# Writes a C++ source file that holds the bytes of a text file, so the text is built into
# the program while the file stays the one place it is edited.
#   cmake -DINPUT=<file> -DOUTPUT=<.cpp> -DNAMESPACE=<ns> -DSYMBOL=<name> -P embed_text.cmake
# The source defines `const unsigned char <SYMBOL>[]` (the bytes and a terminating zero, so
# an empty file still makes an array) and `const std::size_t <SYMBOL>Size` (the number of
# bytes, without that zero), both with external linkage.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
# Sixteen bytes to a line keep the generated file readable.
set(rows "")
set(at 0)
while(at LESS hex_length)
  string(SUBSTRING "${hex}" ${at} 32 chunk)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," chunk "${chunk}")
  string(APPEND rows "    ${chunk}\n")
  math(EXPR at "${at} + 32")
endwhile()
file(RELATIVE_PATH source_name "${CMAKE_CURRENT_LIST_DIR}/.." "${INPUT}")
file(WRITE "${OUTPUT}" "// Generated at build time from ${source_name}: edit that file, not this one.
#include <cstddef>

namespace ${NAMESPACE} {

extern const unsigned char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}Size;

const unsigned char ${SYMBOL}[] = {
${rows}    0x00};
const std::size_t ${SYMBOL}Size = sizeof(${SYMBOL}) - 1;

}  // namespace ${NAMESPACE}
")
