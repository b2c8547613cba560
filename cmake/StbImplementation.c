/* The stb_image and stb_image_write implementations for builds whose stb package has headers only (vcpkg). */
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image.h>
#include <stb_image_write.h>
