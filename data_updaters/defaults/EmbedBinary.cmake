# Turns one binary file into a C++ source defining it as a byte array, so the
# program carries its factory data and needs no data directory at run time.
# Usage: cmake -DINPUT=file.bin -DOUTPUT=file.cpp -DSYMBOL=name -DHEADER=decl.h -P EmbedBinary.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# 16 bytes a line.
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
get_filename_component(input_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${input_name} (${size} bytes); do not edit.\n"
  "#include \"${HEADER}\"\n\n"
  "const uint8_t ${SYMBOL}[] = {\n    ${bytes}\n};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
