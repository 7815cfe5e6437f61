# Warnings every target of the project compiles with.
add_library(zelt_warnings INTERFACE)
target_compile_options(zelt_warnings INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers>
  $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wno-unused-parameter>)
