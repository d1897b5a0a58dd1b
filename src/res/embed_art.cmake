# Turns every picture in ART_DIR (bitmapNNN.bmp, iconNNN.ico) into a byte array of the C++ file
# OUT, with a table that res::LoadBitmap and res::LoadIcon look the numbers up in. With SCALED,
# the pictures drawn for another scale (bitmapNNN-PERCENT.bmp) too, for res::LoadScaledBitmap.
file(GLOB files ${ART_DIR}/*.bmp ${ART_DIR}/*.ico)
if(NOT SCALED)
  list(FILTER files EXCLUDE REGEX "-[0-9]+\\.bmp$")
endif()
list(SORT files)
set(arrays "")
set(entries "")
set(n 0)
foreach(f IN LISTS files)
  get_filename_component(name ${f} NAME_WE)
  string(REGEX MATCH "^[a-z]+([0-9]+)(-([0-9]+))?$" matched ${name})
  set(id ${CMAKE_MATCH_1})
  set(scale 100)
  if(CMAKE_MATCH_3)
    set(scale ${CMAKE_MATCH_3})
  endif()
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
  string(APPEND entries "    {ArtKind::${kind}, ${id}, ${scale}, kArt${n}, ${size}},\n")
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
