# Every library of the project is a folder of sources gathered by glob, so that adding a unit
# never means editing a shared list.
function(linzora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
endfunction()

# linzora_library(<name> DIR <folder> [DEPS <targets...>])
# A folder that has no .cpp yet becomes a header-only (interface) library.
function(linzora_library name)
  cmake_parse_arguments(L "" "DIR" "DEPS" ${ARGN})
  file(GLOB _srcs CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${L_DIR}/*.cpp")
  if(_srcs)
    add_library(${name} STATIC ${_srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${L_DEPS})
    linzora_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${L_DEPS})
  endif()
endfunction()
