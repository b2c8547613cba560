# Dependencies of the MSVC build from vcpkg, under the names the Linux build gets from Debian.
# The sources hold UTF-8 text (Japanese names and labels); MSVC reads them in the ANSI code page unless told.
add_compile_options(/utf-8 /permissive- /Zc:__cplusplus)
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN _USE_MATH_DEFINES)

# Bullet: vcpkg's bullet3 port gives include directories and libraries as variables only.
find_package(Bullet CONFIG REQUIRED)
add_library(PkgConfig::BULLET INTERFACE IMPORTED)
target_include_directories(PkgConfig::BULLET INTERFACE ${BULLET_INCLUDE_DIRS})
target_link_libraries(PkgConfig::BULLET INTERFACE ${BULLET_LIBRARIES})

# stb is header-only in vcpkg; the implementations Debian's libstb carries are compiled here once.
find_path(STB_INCLUDE_DIR stb_image.h REQUIRED)
add_library(mnx_stb STATIC ${CMAKE_CURRENT_LIST_DIR}/StbImplementation.c)
target_include_directories(mnx_stb SYSTEM PUBLIC ${STB_INCLUDE_DIR})
