# Small Windows programs built with the MinGW-w64 cross compiler: the setup.exe launcher that a
# build can place beside a package, and the PE files the tests read. The bytes are reproducible
# (no time stamps, no debug paths).
find_program(MINGW_GCC x86_64-w64-mingw32-gcc REQUIRED)
find_program(MINGW_WINDRES x86_64-w64-mingw32-windres REQUIRED)

# fernclip_add_mingw_program(<target> OUTPUT <file> SOURCES <.c and .rc files> [LINK_OPTIONS ...])
function(fernclip_add_mingw_program target)
  cmake_parse_arguments(ARG "" "OUTPUT" "SOURCES;LINK_OPTIONS" ${ARGN})
  set(objects)
  set(c_sources)
  foreach(source IN LISTS ARG_SOURCES)
    get_filename_component(name ${source} NAME_WE)
    get_filename_component(ext ${source} EXT)
    if(ext STREQUAL ".rc")
      set(object ${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}.res.o)
      get_filename_component(rc_dir ${source} DIRECTORY)
      add_custom_command(OUTPUT ${object}
        COMMAND ${MINGW_WINDRES} -I ${rc_dir} -O coff -o ${object} ${source}
        DEPENDS ${source}
        WORKING_DIRECTORY ${rc_dir}
        VERBATIM)
      list(APPEND objects ${object})
    else()
      list(APPEND c_sources ${source})
    endif()
  endforeach()
  get_filename_component(output_dir ${ARG_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${MINGW_GCC} -Os -s -Wall -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
            -Wl,--no-insert-timestamp ${ARG_LINK_OPTIONS} -o ${ARG_OUTPUT} ${c_sources} ${objects}
    DEPENDS ${c_sources} ${objects}
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()

# fernclip_add_mingw_dll(<target> ARCH <x86_64|i686> OUTPUT <file> SOURCES <.cpp files> [HEADERS ...] [LIBRARIES ...]):
# a Windows DLL written in C++, linked statically (no MinGW runtime DLLs to carry along), its
# exports undecorated.
function(fernclip_add_mingw_dll target)
  cmake_parse_arguments(ARG "" "ARCH;OUTPUT" "SOURCES;HEADERS;LIBRARIES" ${ARGN})
  find_program(MINGW_GXX_${ARG_ARCH} ${ARG_ARCH}-w64-mingw32-g++ REQUIRED)
  get_filename_component(output_dir ${ARG_OUTPUT} DIRECTORY)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND ${MINGW_GXX_${ARG_ARCH}} -std=c++20 -Os -s -Wall -Wextra -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
            -shared -static -static-libgcc -static-libstdc++ -Wl,--kill-at -Wl,--no-insert-timestamp
            -o ${ARG_OUTPUT} ${ARG_SOURCES} ${ARG_LIBRARIES}
    DEPENDS ${ARG_SOURCES} ${ARG_HEADERS}
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()
