# Writes a header that holds a text file's bytes as the array kBuiltInEnglish, so the program
# carries its English texts whatever is beside it. Run with -DSOURCE=<file> -DTARGET=<header>.
file(READ "${SOURCE}" bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${bytes}")
file(WRITE "${TARGET}"
    "// Generated from res/lang/English.ini by app/EmbedText.cmake; do not edit.\n"
    "#pragma once\n"
    "inline constexpr char kBuiltInEnglish[] = {${bytes} 0};\n")
