// SkyBox: the star-field background, a cube of half-size 50 kept centred on the camera and
// textured with a cube map whose six faces are one image. Drawn into the bound scene target
// right after the lighting pass, with depth writes off, at the far plane.
#pragma once

#include "render/frame_resources.h"
#include "resources/shader.h"
#include "scene/image_decode.h"

#include <GL/glew.h>
#include <glm/glm.hpp>

class SkyBox {
public:
    // Uploads the cube, the star field (on every face of the cube map) and the program. Call
    // after the render targets.
    void init(ImageDecode starField);
    // Draws into the bound framebuffer (sceneFbo, after the lighting pass).
    void render(const FrameScene& scene, const FrameResources& resources) const;
    void release();

    GLuint cubeMap = 0;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    ProgramHandle program;
};
