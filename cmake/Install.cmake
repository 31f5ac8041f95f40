# Installation: `cmake --install BUILD --prefix P` (`make install PREFIX=P`),
# and the tree that `make package` packs with P = /usr.
#   P/lib/wordlark/  the program folder: the executables, Templates/, examples/
#                    and the spelling dictionaries when the build made them;
#                    complete in itself (it can be moved as a whole); a
#                    reseller's files go here too;
#   P/bin/           relative links into the program folder; the program finds
#                    its templates through /proc/self/exe, which resolves them;
#   P/share/         the manual pages and the package's copyright and
#                    changelog; with the application also the desktop entry,
#                    the letter file type, the icons and the AppStream metainfo.
# Included from the top level after every target is defined.
set(WORDLARK_INSTALL_PROGRAM_DIR lib/wordlark)

# Every executable of src/tools, and the application when it is built.
set(wordlark_installed_programs)
if(TARGET wordlark)
  list(APPEND wordlark_installed_programs wordlark)
endif()
get_property(wordlark_tool_targets DIRECTORY ${PROJECT_SOURCE_DIR}/src/tools
  PROPERTY BUILDSYSTEM_TARGETS)
foreach(target IN LISTS wordlark_tool_targets)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    list(APPEND wordlark_installed_programs ${target})
  endif()
endforeach()

install(TARGETS ${wordlark_installed_programs}
  RUNTIME DESTINATION ${WORDLARK_INSTALL_PROGRAM_DIR})
# The whole folders, whatever they hold at install time.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/Templates/
  DESTINATION ${WORDLARK_INSTALL_PROGRAM_DIR}/Templates)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
  DESTINATION ${WORDLARK_INSTALL_PROGRAM_DIR}/examples)
# The web engine looks for its spelling dictionaries beside the executable.
install(DIRECTORY ${WORDLARK_BIN_DIR}/qtwebengine_dictionaries
  DESTINATION ${WORDLARK_INSTALL_PROGRAM_DIR} OPTIONAL)

# Links already there, dangling ones too, are replaced; the links go into the
# install manifest like every installed file.
foreach(program IN LISTS wordlark_installed_programs)
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/${program}\")
    message(STATUS \"Installing: \${link}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
    file(CREATE_LINK \"../${WORDLARK_INSTALL_PROGRAM_DIR}/${program}\" \"\${link}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${link}\")")
endforeach()

# The desktop entry starts the application, so it comes only with it, and so
# do the letter file type it opens and the software centre's entry.
if(TARGET wordlark)
  install(FILES ${PROJECT_SOURCE_DIR}/data/wordlark.desktop DESTINATION share/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/data/wordlark.svg
    DESTINATION share/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/data/wordlark.png
    DESTINATION share/icons/hicolor/256x256/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/data/wordlark-mime.xml
    DESTINATION share/mime/packages RENAME wordlark.xml)
  install(FILES ${PROJECT_SOURCE_DIR}/data/org.example.wordlark.metainfo.xml
    DESTINATION share/metainfo)
endif()

# The copyright notice and the changelog, where a Debian system keeps them for
# every package (the changelog compressed, as there).
set(WORDLARK_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
find_program(WORDLARK_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${WORDLARK_DOC_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/package/changelog ${WORDLARK_DOC_DIR}/changelog
  COMMAND ${WORDLARK_GZIP} -9nf ${WORDLARK_DOC_DIR}/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/data/package/changelog
  COMMENT "Compressing the changelog"
  VERBATIM)
add_custom_target(wordlark_changelog ALL DEPENDS ${WORDLARK_DOC_DIR}/changelog.gz)
set(wordlark_dictionary_copyright)
if(TARGET wordlark_dictionaries)
  set(wordlark_dictionary_copyright ${WORDLARK_SPELLING_COPYRIGHT})
endif()
add_custom_command(OUTPUT ${WORDLARK_DOC_DIR}/copyright
  COMMAND ${CMAKE_COMMAND} -DOWN=${PROJECT_SOURCE_DIR}/data/package/copyright
    -DDICTIONARY=${wordlark_dictionary_copyright} -DOUT=${WORDLARK_DOC_DIR}/copyright
    -P ${PROJECT_SOURCE_DIR}/cmake/Copyright.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/data/package/copyright ${PROJECT_SOURCE_DIR}/cmake/Copyright.cmake
    ${wordlark_dictionary_copyright}
  COMMENT "Writing the package's copyright file"
  VERBATIM)
add_custom_target(wordlark_copyright ALL DEPENDS ${WORDLARK_DOC_DIR}/copyright)
install(FILES ${WORDLARK_DOC_DIR}/copyright ${WORDLARK_DOC_DIR}/changelog.gz
  DESTINATION share/doc/wordlark)

# A manual page for every installed command, made from its --help and
# --version by help2man at build time. A command without a line here stops
# the configuration, so that none is installed without its page.
set(wordlark_manual_summary_wordlark "write a web sales letter step by step and save it as a web page")
set(wordlark_manual_summary_wordlark-render "render a saved sales letter into a web page")
set(wordlark_manual_summary_wordlark-brand "prepare the files a reseller ships beside the program")

find_program(WORDLARK_HELP2MAN help2man)
if(NOT WORDLARK_HELP2MAN)
  message(WARNING "help2man not found: the manual pages are neither built nor installed "
    "(scripts/install-deps.sh installs it)")
else()
  set(wordlark_manual_env)
  if(WORDLARK_SANITIZE)
    # Only --help and --version run here; leaks of the libraries' start-up are
    # no concern of the build.
    set(wordlark_manual_env ASAN_OPTIONS=detect_leaks=0)
  endif()
  set(wordlark_manual_pages)
  foreach(program IN LISTS wordlark_installed_programs)
    if(NOT DEFINED wordlark_manual_summary_${program})
      message(FATAL_ERROR "cmake/Install.cmake: no manual page summary for ${program}")
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env ${wordlark_manual_env}
        ${WORDLARK_HELP2MAN} --no-info --no-discard-stderr --section=1
        "--name=${wordlark_manual_summary_${program}}" --output=${page} $<TARGET_FILE:${program}>
      COMMAND ${WORDLARK_GZIP} -9nf ${page}
      DEPENDS ${program}
      COMMENT "Writing the manual page of ${program}"
      VERBATIM)
    list(APPEND wordlark_manual_pages ${page}.gz)
  endforeach()
  add_custom_target(wordlark_manual_pages ALL DEPENDS ${wordlark_manual_pages})
  install(FILES ${wordlark_manual_pages} DESTINATION share/man/man1)
endif()
