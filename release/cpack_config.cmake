# Read by cpack as it starts: without a date from the builder the zip's entries all take
# 1980-01-01, the earliest a zip can hold, never the build's time.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} 315532800)
endif()
