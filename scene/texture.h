// Textures: the GL side of the image path. Each load takes a decode (scene/image_decode.h; a path
// converts to one decoded when taken) and uploads it, because SOIL's GL-side loaders read
// glGetString(GL_EXTENSIONS), which a core profile lacks. A failed decode has printed its SOIL line
// on standard output; the load then gives name 0 (the ramp a black texture).
#pragma once

#include "scene/image_decode.h"

#include <GL/glew.h>

// 2D texture with mipmaps, repeat wrapping, rows flipped so the image's first row ends at v = 1,
// DXT-compressed where the driver lists GL_EXT_texture_compression_s3tc. 0 on failure.
GLuint loadTexture(ImageDecode decode);

// 256-texel GL_TEXTURE_1D colour ramp from the RGB of the first 256 pixels of the image (row
// order); an image with fewer pixels repeats its last pixel. Returns a texture name even when
// decoding fails (then black).
GLuint loadTexture1D(ImageDecode decode);

// Cube map with one decoded image on all six faces, no flags (rows as stored, no mipmaps,
// linear filtering, clamped). A non-square image is stretched to a square. 0 on failure.
GLuint loadCubeMap(ImageDecode decode);
