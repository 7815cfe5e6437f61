# Writes a C++ source holding the bytes of the lens cursor files:
#   cmake -DROUND=<lens_round.cur> -DRECT=<lens_rect.cur> -DOUTPUT=<file.cpp> -P embed_cursors.cmake
function(zelt_cursor_array name path out)
  file(READ ${path} hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR bytes "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," body "${hex}")
  set(${out} "${${out}}extern const unsigned char ${name}[] = {${body}};\nextern const std::size_t ${name}Size = ${bytes};\n" PARENT_SCOPE)
endfunction()

set(text "// Generated from the .cur files in display/views/resources; do not edit.\n#include \"views/resources/lens_cursors.h\"\n\n")
zelt_cursor_array(kLensRoundCursor ${ROUND} text)
zelt_cursor_array(kLensRectCursor ${RECT} text)
file(WRITE ${OUTPUT}.tmp "${text}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
