# Warnings are errors everywhere in our own code. -Wconversion catches the
# silent 64 -> 32 bit narrowing of sector numbers that this program must avoid.
function(tvn_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-qual -Wformat=2 -Werror)
  # GCC 12 at -O2/-O3 reports impossible std::string copies (-Wrestrict,
  # -Wstringop-overflow) inside libstdc++ itself; they are compiler bugs.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-restrict -Wno-stringop-overflow)
  endif()
endfunction()

# One library per layer: every .cpp in the folder, headers included by folder.
function(tvn_layer name)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  tvn_warnings(${name})
endfunction()
