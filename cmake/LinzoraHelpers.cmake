# Every library of the project is a folder of sources gathered by glob, so that adding a unit
# never means editing a shared list.
function(linzora_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
endfunction()

# linzora_library(<name> DIR <folder> [STAGES] [DEPS <targets...>])
# linzora_library(<name> DIRS <folders...> [DEPS <targets...>])
# A folder that has no .cpp yet becomes a header-only (interface) library. STAGES: the folder's
# sources lie in one sub-folder per stage, gathered with the folder's own. DIRS: the library is
# the named folders together (where sibling folders belong to other libraries).
function(linzora_library name)
  cmake_parse_arguments(L "STAGES" "DIR" "DEPS;DIRS" ${ARGN})
  if(L_DIRS)
    set(_srcs "")
    foreach(_dir IN LISTS L_DIRS)
      file(GLOB _dir_srcs CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${_dir}/*.cpp")
      list(APPEND _srcs ${_dir_srcs})
    endforeach()
  elseif(L_STAGES)
    file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${L_DIR}/*.cpp")
  else()
    file(GLOB _srcs CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${L_DIR}/*.cpp")
  endif()
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

# Sanitizer builds: -DLINZORA_SANITIZE=address,undefined or -DLINZORA_SANITIZE=thread (see
# scripts/sanitize). Applies to every target made after the call. A finding fails the run rather
# than scrolling past: UndefinedBehaviorSanitizer does not recover.
function(linzora_sanitize)
  set(LINZORA_SANITIZE "" CACHE STRING "Sanitizers: address,undefined or thread (empty: none)")
  if(NOT LINZORA_SANITIZE)
    return()
  endif()
  string(REPLACE "," ";" _wanted "${LINZORA_SANITIZE}")
  foreach(s IN LISTS _wanted)
    if(NOT s MATCHES "^(address|undefined|thread)$")
      message(FATAL_ERROR "LINZORA_SANITIZE: unknown sanitizer '${s}' (address, undefined, thread)")
    endif()
  endforeach()
  if("thread" IN_LIST _wanted AND "address" IN_LIST _wanted)
    message(FATAL_ERROR "LINZORA_SANITIZE: thread cannot be combined with address")
  endif()
  set(_flags -fsanitize=${LINZORA_SANITIZE} -fno-omit-frame-pointer)
  if("undefined" IN_LIST _wanted)
    list(APPEND _flags -fno-sanitize-recover=undefined)
  endif()
  add_compile_options(${_flags})
  add_link_options(-fsanitize=${LINZORA_SANITIZE})
  # Lets a test leave out what a sanitizer cannot run: a deliberate fault it stops first, or a
  # fault inside a third-party library it instruments.
  add_compile_definitions(LINZORA_SANITIZED=1)
  message(STATUS "Sanitizers: ${LINZORA_SANITIZE}")
endfunction()
