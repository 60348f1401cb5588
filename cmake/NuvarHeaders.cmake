# Library boundaries. Headers are included by their path from the source root
# ("kom/protocol/NUVARWnd.h"), but a target sees a directory's headers only
# when it links a library of that directory: each library publishes the
# headers of its own source directory (not of its subdirectories) through a
# tree of links in the build directory, and target_link_libraries carries
# them on. So a layer that includes a header of a library it does not link
# (the protocol a widget header, the simulator the engine) fails to compile.
#
#   add_library(nuvar_x STATIC ...)
#   nuvar_headers(nuvar_x PUBLIC)   # PUBLIC: its headers are its interface
#
# Two libraries in one directory both call it and share the same tree.
# Programs and tests call nothing: they see what they link.
function(nuvar_headers target scope)
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "_" name "${rel}")
  set(root ${CMAKE_BINARY_DIR}/include/${name})
  get_property(done GLOBAL PROPERTY nuvar_headers_${name})
  if(NOT done)
    set_property(GLOBAL PROPERTY nuvar_headers_${name} TRUE)
    # Built anew at every configure, so a removed header leaves no stale link
    # behind; a new one is picked up by the glob check at the next build.
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${rel})
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(h ${headers})
      get_filename_component(n ${h} NAME)
      file(CREATE_LINK ${h} ${root}/${rel}/${n} SYMBOLIC COPY_ON_ERROR)
    endforeach()
  endif()
  target_include_directories(${target} ${scope} $<BUILD_INTERFACE:${root}>)
endfunction()
