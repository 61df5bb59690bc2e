# Writes a stored form description as a C++ wide string literal that a source file includes.
file(READ "${IN}" content)
file(WRITE "${OUT}" "LR\"FORM(${content})FORM\"\n")
