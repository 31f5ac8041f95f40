# The editors' spelling dictionary: Debian's US English hunspell dictionary
# (package hunspell-en-us), converted at build time by the web engine's
# qwebengine_convert_dict (package qt6-webengine-dev-tools) into the program
# folder's qtwebengine_dictionaries folder, where the engine looks for it and
# from where Install.cmake installs it. The file's name is the language the
# editors ask for ("en-US").
set(WORDLARK_SPELLING_DIC /usr/share/hunspell/en_US.dic CACHE FILEPATH
  "The hunspell dictionary (.dic, with its .aff beside it) the editors check spelling with")

find_package(Qt6 QUIET COMPONENTS WebEngineCoreTools)
get_filename_component(wordlark_spelling_base ${WORDLARK_SPELLING_DIC} NAME_WLE)
get_filename_component(wordlark_spelling_dir ${WORDLARK_SPELLING_DIC} DIRECTORY)
set(wordlark_spelling_aff ${wordlark_spelling_dir}/${wordlark_spelling_base}.aff)

if(NOT TARGET Qt6::qwebengine_convert_dict)
  message(WARNING "qwebengine_convert_dict was not found (package qt6-webengine-dev-tools): "
    "the editors will not check spelling")
elseif(NOT EXISTS ${WORDLARK_SPELLING_DIC} OR NOT EXISTS ${wordlark_spelling_aff})
  message(WARNING "${WORDLARK_SPELLING_DIC} or its .aff was not found (package hunspell-en-us): "
    "the editors will not check spelling")
else()
  set(wordlark_spelling_bdic ${WORDLARK_BIN_DIR}/qtwebengine_dictionaries/en-US.bdic)
  add_custom_command(
    OUTPUT ${wordlark_spelling_bdic}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${WORDLARK_BIN_DIR}/qtwebengine_dictionaries
    COMMAND Qt6::qwebengine_convert_dict ${WORDLARK_SPELLING_DIC} ${wordlark_spelling_bdic}
    DEPENDS ${WORDLARK_SPELLING_DIC} ${wordlark_spelling_aff}
    COMMENT "Converting the spelling dictionary ${WORDLARK_SPELLING_DIC}"
    VERBATIM)
  add_custom_target(wordlark_dictionaries ALL DEPENDS ${wordlark_spelling_bdic})
  # The package's copyright file carries the dictionary's.
  set(WORDLARK_SPELLING_COPYRIGHT /usr/share/doc/hunspell-en-us/copyright CACHE FILEPATH
    "The copyright file of the spelling dictionary's source")
  # Everything that shows an editor, the GUI tests too, finds it in place.
  add_dependencies(wordlark_editor wordlark_dictionaries)
endif()
