# Compile options shared by every target of the project (never via CMAKE_CXX_FLAGS).
add_library(quorvel_options INTERFACE)
target_include_directories(quorvel_options INTERFACE
  ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
target_compile_options(quorvel_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)

# The shipped code: no exceptions, no RTTI, no thread-safe statics (one UI thread),
# and functions the linker can drop. No -fdata-sections: on Windows GCC then gives every
# variable a .data$ section, zero-filled ones too, which then fill the file instead of .bss.
add_library(quorvel_lean INTERFACE)
target_link_libraries(quorvel_lean INTERFACE quorvel_options)
target_compile_options(quorvel_lean INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>
  -ffunction-sections)
# The Windows programs, measured in docs/size.md: whole-program optimisation (the libraries'
# objects also carry plain code, which the test programs link); functions called once kept
# apart, which gives less code here than inlining them; no build folder in the objects, so
# any checkout gives the same bytes. The 32-bit ones, where nothing throws, without unwind
# tables (.eh_frame); 64-bit Windows needs its unwind data.
if(WIN32)
  target_compile_options(quorvel_lean INTERFACE
    $<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,STATIC_LIBRARY>:-flto=auto -ffat-lto-objects>
    -fno-inline-functions-called-once
    -ffile-prefix-map=${PROJECT_SOURCE_DIR}=. -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
  # Everything else links the plain code (the linker plugin would see both and fail).
  target_link_options(quorvel_lean INTERFACE
    $<$<NOT:$<BOOL:$<TARGET_PROPERTY:WIN32_EXECUTABLE>>>:-fno-use-linker-plugin>)
  if(QUORVEL_WINDOWS_ARCH STREQUAL i686)
    target_compile_options(quorvel_lean INTERFACE
      -fno-asynchronous-unwind-tables -fno-unwind-tables)
  endif()
endif()

# A shipped Windows program: GUI subsystem, static, stripped, unused code dropped, optimised
# as a whole; ASLR and DEP on (the relocations stay); no time stamp, so two builds give the
# same bytes. The linker map beside it tells tools/size-report.sh where the bytes go.
function(quorvel_windows_program target)
  target_link_libraries(${target} PRIVATE quorvel_lean)
  target_compile_options(${target} PRIVATE -flto=auto)
  target_link_options(${target} PRIVATE -static -s -mwindows -flto=auto -ffunction-sections
    -Wl,--gc-sections
    -Wl,--dynamicbase -Wl,--nxcompat -Wl,--no-insert-timestamp
    -Wl,-Map=${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
endfunction()

# InitCommonControls imported by ordinal 17 rather than by name.
if(WIN32)
  set(comctl32_ordinal_lib ${PROJECT_BINARY_DIR}/libcomctl32_ordinal.a)
  # 64-bit names carry no stdcall decoration.
  file(READ ${PROJECT_SOURCE_DIR}/cmake/comctl32_ordinal.def comctl32_def)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    string(REPLACE "@0 " " " comctl32_def "${comctl32_def}")
  endif()
  file(WRITE ${PROJECT_BINARY_DIR}/comctl32_ordinal.def "${comctl32_def}")
  add_custom_command(OUTPUT ${comctl32_ordinal_lib}
    COMMAND ${CMAKE_DLLTOOL} -k -d ${PROJECT_BINARY_DIR}/comctl32_ordinal.def
            -l ${comctl32_ordinal_lib}
    DEPENDS ${PROJECT_BINARY_DIR}/comctl32_ordinal.def)
  add_custom_target(comctl32_ordinal_lib DEPENDS ${comctl32_ordinal_lib})
  add_library(quorvel_comctl32 INTERFACE)
  add_dependencies(quorvel_comctl32 comctl32_ordinal_lib)
  target_link_libraries(quorvel_comctl32 INTERFACE ${comctl32_ordinal_lib})
endif()
