// Texture loading: images decoded by SOIL (SOIL_load_image) and uploaded by our own code,
// because SOIL's GL-side loaders read glGetString(GL_EXTENSIONS), which a core profile lacks.
// Failures print "SOIL loading error: '<reason>'" on standard output and give name 0.
#pragma once

#include <GL/glew.h>
#include <string>

// 2D texture with mipmaps, repeat wrapping, rows flipped so the image's first row ends at v = 1,
// DXT-compressed where the driver lists GL_EXT_texture_compression_s3tc. 0 on failure.
GLuint loadTexture(const std::string& path);

// 256-texel GL_TEXTURE_1D colour ramp from the first 256 pixels of the image (row order); an image
// with fewer pixels repeats its last pixel. Returns a texture name even when decoding fails
// (then black, after the message).
GLuint loadTexture1D(const std::string& path);

// Cube map with one decoded image on all six faces, no flags (rows as stored, no mipmaps,
// linear filtering, clamped). A non-square image is stretched to a square. 0 on failure
// (message printed).
GLuint loadCubeMap(const std::string& path);
