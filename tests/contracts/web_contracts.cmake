# The page's back ends held to the same contracts, each suite a program the
# page loads in place of the show (its own page.js and audio.js around it),
# run in Debian's chromium by tests/web/contract_test.cjs. The suites' main
# reports gtest's result to the page, which hands it back as the exit code.
# None runs under node: each suite's cases open the back end, which needs the
# page (its canvas, dialog form, audio context).
function(vsf_web_contract name)
  add_executable(${name} ${ARGN} web_contract_main.cpp)
  vsf_link_as_page(${name})
  add_test(NAME web.${name}
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/web/contract_test.sh $<TARGET_FILE:${name}>
            ${PROJECT_SOURCE_DIR}/resources/web/index.html)
  set_tests_properties(web.${name} PROPERTIES TIMEOUT 300)
endfunction()

vsf_web_contract(window_system_contract_web
  window_system_contract_test.cpp window_system_driver_web.cpp)
target_link_libraries(window_system_contract_web PRIVATE vsf_platform_web vsf_resources GTest::gtest)

vsf_web_contract(console_contract_web console_contract_test.cpp)
target_link_libraries(console_contract_web PRIVATE vsf_display_sdl vsf_platform_web GTest::gtest)

# The suite makes its own music file, in the page's memory file system.
pkg_check_modules(WEB_VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
add_library(vsf_web_contract_music STATIC
  ${PROJECT_SOURCE_DIR}/tests/audio/test_music.cpp ${PROJECT_SOURCE_DIR}/tools/music/vorbis_writer.cpp)
target_include_directories(vsf_web_contract_music PUBLIC
  ${PROJECT_SOURCE_DIR}/tests/audio ${PROJECT_SOURCE_DIR}/tools)
target_link_libraries(vsf_web_contract_music PUBLIC vsf_headers PkgConfig::WEB_VORBISENC)

vsf_web_contract(audio_contract_web audio_contract_test.cpp audio_output_driver_web.cpp)
target_link_libraries(audio_contract_web PRIVATE vsf_audio_web vsf_web_contract_music GTest::gtest)
