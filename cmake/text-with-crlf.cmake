# cmake -DINPUT=file -DOUTPUT=file -P text-with-crlf.cmake
# Copies a text with every line ending in CR LF, the way Windows editors
# (Notepad among them) expect it.
file(READ "${INPUT}" text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUTPUT}" "${text}")
