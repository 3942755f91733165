# Run by CPack on the staged release (External generator): adds SHA256SUMS of the two
# programs, then writes the zip, its entries in a fixed order with fixed times and modes.
set(stage ${CPACK_TEMPORARY_DIRECTORY})
set(sums "")
foreach(program quorvel.exe vantrel.exe)
  file(SHA256 ${stage}/${program} sum)
  # The layout `sha256sum -c` reads.
  string(APPEND sums "${sum}  ${program}\n")
endforeach()
file(WRITE ${stage}/SHA256SUMS "${sums}")

set(zip ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip)
execute_process(
  COMMAND ${CPACK_QUORVEL_PYTHON} ${CPACK_QUORVEL_ZIP_TOOL} ${zip} ${stage} ${CPACK_QUORVEL_FILES}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "writing ${zip} failed: ${status}")
endif()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${zip})
