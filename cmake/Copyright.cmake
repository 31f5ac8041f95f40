# Writes the package's copyright file: Wordlark's own notice and, when the
# build made the spelling dictionary, the copyright file of the package the
# dictionary was converted from, as it stands.
#   cmake -DOWN=... -DDICTIONARY=... -DOUT=... -P Copyright.cmake
# DICTIONARY is empty when no dictionary was made.
file(READ ${OWN} text)
if(DICTIONARY AND EXISTS ${DICTIONARY})
  file(STRINGS ${DICTIONARY} lines)
  string(APPEND text "\nFiles: lib/wordlark/qtwebengine_dictionaries/*\n"
    "Copyright: Kevin Atkinson and the other authors named in the license text\n"
    "License: hunspell-en-us\n"
    " The US English spelling dictionary, converted from the Debian package\n"
    " hunspell-en-us; that package's copyright file follows as it stands.\n .\n")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[ \t]*$")
      string(APPEND text " .\n")
    else()
      string(APPEND text " ${line}\n")
    endif()
  endforeach()
endif()
file(WRITE ${OUT} "${text}")
