# Turns every picture in ART_DIR (bitmapNNN.bmp, iconNNN.ico) into a byte array of the C++ file
# OUT, with a table that res::LoadBitmap and res::LoadIcon look the numbers up in.
file(GLOB files ${ART_DIR}/*.bmp ${ART_DIR}/*.ico)
list(SORT files)
set(arrays "")
set(entries "")
set(n 0)
foreach(f IN LISTS files)
  get_filename_component(name ${f} NAME_WE)
  string(REGEX MATCH "[0-9]+$" id ${name})
  if(name MATCHES "^icon")
    set(kind Icon)
  else()
    set(kind Bitmap)
  endif()
  file(READ ${f} hex HEX)
  string(LENGTH "${hex}" hexlen)
  math(EXPR size "${hexlen} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const unsigned char kArt${n}[${size}] = {\n${bytes}};\n")
  string(APPEND entries "    {ArtKind::${kind}, ${id}, kArt${n}, ${size}},\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE ${OUT}.tmp "// Generated from src/res/art by embed_art.cmake; do not edit.
#include \"res/art_data.h\"

namespace res {
namespace {
${arrays}}  // namespace

const ArtEntry kArt[] = {
${entries}};
const size_t kArtCount = ${n};

}  // namespace res
")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
