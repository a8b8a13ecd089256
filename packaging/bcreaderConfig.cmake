# find_package(bcreader) gives the imported target bcreader::bcreader. The package is found
# relative to this file, so a staged (DESTDIR) or moved installation works as well.
get_filename_component(_bcreader_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET bcreader::bcreader)
  add_library(bcreader::bcreader SHARED IMPORTED)
  find_library(_bcreader_library bcreader PATHS "${_bcreader_prefix}/lib" "${_bcreader_prefix}/lib64"
               NO_DEFAULT_PATH)
  set_target_properties(bcreader::bcreader PROPERTIES
    IMPORTED_LOCATION "${_bcreader_library}"
    INTERFACE_INCLUDE_DIRECTORIES "${_bcreader_prefix}/include")
  unset(_bcreader_library CACHE)
endif()
unset(_bcreader_prefix)
