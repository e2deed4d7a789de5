# Writes OUT, a header defining FLATSKIN_BUILD_TAG as 166 lowercase hex
# digits digested from the file LIST: its first line (the compiler and its
# flags) and the contents of the files named on the other lines. The
# header is only rewritten when the tag changes.
file(STRINGS "${LIST}" lines)
list(POP_FRONT lines text)
list(SORT lines)
foreach(f IN LISTS lines)
  if(EXISTS "${f}" AND NOT IS_DIRECTORY "${f}")
    file(SHA256 "${f}" h)
    string(APPEND text "\n${f}:${h}")
  endif()
endforeach()
string(SHA512 a "${text}")
string(SHA256 b "tag:${text}")
string(SUBSTRING "${b}" 0 38 b)
set(content "#define FLATSKIN_BUILD_TAG \"${a}${b}\"\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${content}")
