# Compile options shared by every target of the project (never via CMAKE_CXX_FLAGS).
add_library(quorvel_options INTERFACE)
target_include_directories(quorvel_options INTERFACE
  ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
target_compile_options(quorvel_options INTERFACE
  -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion)

# The shipped code: no exceptions, no RTTI, no thread-safe statics (one UI thread),
# and sections the linker can drop.
add_library(quorvel_lean INTERFACE)
target_link_libraries(quorvel_lean INTERFACE quorvel_options)
target_compile_options(quorvel_lean INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>
  -ffunction-sections -fdata-sections)

# A shipped 32-bit Windows program: GUI subsystem, static, stripped, unused code dropped.
function(quorvel_windows_program target)
  target_link_libraries(${target} PRIVATE quorvel_lean)
  target_link_options(${target} PRIVATE -static -s -mwindows -Wl,--gc-sections)
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
