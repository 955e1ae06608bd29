# The module file the host loads: corvalume.p at the top of the build tree.
#
# It exports `_mod_descrip` alone and needs only the C library and libm at
# run time: the C++ runtime and libgcc are linked in, and everything that is
# not the record is hidden.
add_library(corvalume MODULE
  module/module.cpp
  panel/interface.cpp
  shader/decimal.cpp
  shader/evaluate.cpp
  shader/handler.cpp
  shader/persist.cpp
)
target_link_libraries(corvalume PRIVATE corvalume_flags m)
target_compile_options(corvalume PRIVATE -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections)
set_target_properties(corvalume PROPERTIES
  PREFIX ""
  SUFFIX ".p"
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${PROJECT_SOURCE_DIR}/module/exports.map)
target_link_options(corvalume PRIVATE
  -static-libstdc++ -static-libgcc
  -Wl,--version-script=${PROJECT_SOURCE_DIR}/module/exports.map
  -Wl,--gc-sections -Wl,--as-needed -Wl,-z,relro -Wl,-z,now)
# Sanitizer runtimes resolve their hooks at load time.
if(NOT CORVALUME_SANITIZE)
  target_link_options(corvalume PRIVATE -Wl,-z,defs)
endif()
# The 32-bit host may call in with its stack aligned to 4 bytes only: assume
# no more, and realign where aligned locals need it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  target_compile_options(corvalume PRIVATE -mincoming-stack-boundary=2)
endif()
