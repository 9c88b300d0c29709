# Imported targets over the static libraries that scripts/deps.sh builds.
set(_deps_lib "${LAUNCHER_DEPS_PREFIX}/lib")
set(_deps_inc "${LAUNCHER_DEPS_PREFIX}/include")

function(_launcher_import name file)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES
    IMPORTED_LOCATION "${_deps_lib}/${file}"
    INTERFACE_INCLUDE_DIRECTORIES "${_deps_inc}")
endfunction()

_launcher_import(deps::zlib libz.a)
_launcher_import(deps::minizip libminizip.a)
target_link_libraries(deps::minizip INTERFACE deps::zlib)
# minizip's headers include each other by bare name.
set_property(TARGET deps::minizip APPEND PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${_deps_inc}/minizip")

_launcher_import(deps::crypto libcrypto.a)
target_link_libraries(deps::crypto INTERFACE ws2_32 crypt32 bcrypt advapi32 user32)
_launcher_import(deps::ssl libssl.a)
target_link_libraries(deps::ssl INTERFACE deps::crypto)
_launcher_import(deps::nghttp2 libnghttp2.a)
target_compile_definitions(deps::nghttp2 INTERFACE NGHTTP2_STATICLIB)
_launcher_import(deps::curl libcurl.a)
target_compile_definitions(deps::curl INTERFACE CURL_STATICLIB)
target_link_libraries(deps::curl INTERFACE deps::nghttp2 deps::ssl deps::zlib ws2_32 crypt32 bcrypt advapi32)

_launcher_import(deps::jsoncpp libjsoncpp.a)

_launcher_import(deps::gtest libgtest.a)
_launcher_import(deps::gmock libgmock.a)
target_link_libraries(deps::gmock INTERFACE deps::gtest)
