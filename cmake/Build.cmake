# tavo_target(NAME): what every target of the project is built with, set on the target itself:
# the source root as its include folder (headers are named from it: "pack/pack.h"), the
# warnings, and what the build asks for: the sanitizers, libFuzzer's coverage in everything the
# fuzz targets link, and on Windows one self-contained .exe or .dll per program.
function(tavo_target name)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE -Wall -Wextra)
  if(TAVO_SANITIZE)
    target_compile_options(${name} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                           -fno-sanitize-recover=undefined)
    target_link_options(${name} PRIVATE -fsanitize=address,undefined)
  endif()
  if(TAVO_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
  if(WIN32)
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
    target_compile_definitions(${name} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  endif()
endfunction()
