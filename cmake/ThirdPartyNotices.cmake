# Writes THIRD-PARTY-NOTICES.txt for the Windows zip from the notices that
# scripts/cross-libs keeps with the libraries (NOTICES/NAME/title and
# NOTICES/NAME/copyright, each taken from the library's Debian source
# package), so the text is the packages' own and never retyped.
#   cmake -DNOTICES=DIR -DOUTPUT=FILE -P ThirdPartyNotices.cmake
file(GLOB names RELATIVE ${NOTICES} ${NOTICES}/*)
list(SORT names)
if(NOT names)
  message(FATAL_ERROR "no library notices in ${NOTICES}: rebuild it with scripts/cross-libs windows")
endif()
set(rule "==============================================================================")
set(contents "")
set(index "")
foreach(name IN LISTS names)
  file(STRINGS ${NOTICES}/${name}/title title LIMIT_COUNT 1)
  file(READ ${NOTICES}/${name}/copyright copyright)
  string(APPEND index "  ${title}\n")
  string(APPEND contents "\n${rule}\n${title}\n${rule}\n\n${copyright}")
endforeach()
file(WRITE ${OUTPUT}.part
  "velvetstaticfog.exe is linked statically with the libraries below, each\n"
  "under its own licence. Their copyright notices and licences follow as the\n"
  "Debian source packages the program was built from state them\n"
  "(debian/copyright).\n\n${index}${contents}")
file(RENAME ${OUTPUT}.part ${OUTPUT})
