// Texture loading: images decoded by SOIL (SOIL_load_image) and uploaded by our own code,
// because SOIL's GL-side loaders read glGetString(GL_EXTENSIONS), which a core profile lacks.
// Failures print "SOIL loading error: '<reason>'" on standard output and give name 0. Only PNG
// and JPEG files reach SOIL's decoder (its other readers crash on crafted headers), and it runs
// in a child process (its PNG and JPEG readers can still fail an assertion on corrupt data).
#pragma once

#include <GL/glew.h>
#include <cstddef>
#include <string>
#include <vector>

// The CPU side of the image path, apart from GL so that it can be tested and fuzzed.

// Decoded pixels, rows top first, owned here (SOIL's buffer is freed at once).
struct DecodedImage {
    int width = 0;
    int height = 0;
    int channels = 0;  // 3 (RGB) or 4 (RGBA) after decoding
    std::vector<unsigned char> pixels;
};

// Decodes through SOIL; grey and grey-alpha images become RGB and RGBA because a core profile
// has no luminance formats. Prints the SOIL line and returns false when decoding fails or the
// file is neither a PNG nor a JPEG.
bool decodeImage(const std::string& path, DecodedImage& image);
// Starts decoding these files (each as decodeImage would), each in a child process of low
// priority, so that a later decodeImage, loadTexture or loadCubeMap of one of them waits at most
// for the rest of its decode instead of decoding it again. Nothing is printed until such a load
// takes the result; each result is taken once; a file already started is not started again.
// Call it while the process has one thread (before the window opens): the children are forked.
void prefetchImages(const std::vector<std::string>& paths);
// Ends the decodes no load has taken.
void dropPrefetchedImages();
// Reverses the order of the rows in place.
void flipRows(DecodedImage& image);
// The next mip level: 2 x 2 averages, sides max(1, floor(side / 2)).
DecodedImage halveImage(const DecodedImage& image);

constexpr int kColourRampTexels = 256;
// The colour ramp's RGB texels (3 bytes each, kColourRampTexels of them) from the first pixels
// of an RGB image; fewer pixels repeat the last one, none leave it black.
std::vector<unsigned char> fillColourRamp(const unsigned char* rgbPixels, size_t pixelCount);
// Decodes the image as RGB and fills the ramp from it; black after the SOIL line on failure.
std::vector<unsigned char> decodeColourRamp(const std::string& path);

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
