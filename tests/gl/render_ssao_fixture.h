// Shared by the render_ssao GL tests: meshes made of hand-written triangles, a colour and depth
// target to draw into, and read-back of float textures.
#pragma once

#include "gl_context.h"
#include "scene/mesh_object.h"

#include <glm/glm.hpp>
#include <memory>
#include <vector>

namespace render_ssao_test {

// One quad per entry: four corners (counter-clockwise seen from the side the normal faces).
struct Quad {
    glm::vec3 corners[4];
    glm::vec3 normal;
};

// A mesh with one sub-mesh holding the quads (position at location 0, normal at location 2),
// recorded in the sub-mesh so that the mesh's destructor releases it.
inline std::unique_ptr<MeshObject> makeQuadMesh(const std::vector<Quad>& quads)
{
    std::vector<glm::vec3> positions, normals;
    std::vector<GLuint> indices;
    for (const Quad& quad : quads) {
        const GLuint base = GLuint(positions.size());
        for (const glm::vec3& corner : quad.corners) {
            positions.push_back(corner);
            normals.push_back(quad.normal);
        }
        for (GLuint index : {0u, 1u, 2u, 0u, 2u, 3u})
            indices.push_back(base + index);
    }

    auto mesh = std::make_unique<MeshObject>();
    SubmeshBuffers submesh;
    glGenVertexArrays(1, &submesh.vertexArray);
    glBindVertexArray(submesh.vertexArray);
    glGenBuffers(1, &submesh.positionBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, submesh.positionBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(positions.size() * sizeof(glm::vec3)), positions.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glGenBuffers(1, &submesh.normalBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, submesh.normalBuffer);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(normals.size() * sizeof(glm::vec3)), normals.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glGenBuffers(1, &submesh.indexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, submesh.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(GLuint)), indices.data(), GL_STATIC_DRAW);
    submesh.indexCount = GLuint(indices.size());
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    mesh->submeshes.push_back(submesh);
    return mesh;
}

// The whole level 0 of a 2D texture, row by row from the bottom, `channels` floats per texel.
inline std::vector<float> readTexture(GLuint texture, GLenum format, int channels, int width, int height)
{
    std::vector<float> texels(size_t(width) * size_t(height) * size_t(channels));
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}


// An RGBA32F colour and a DEPTH_COMPONENT32F depth texture of one size, attached to a
// framebuffer that create leaves bound.
struct ColourDepthTarget {
    GLuint colour = 0, depth = 0, framebuffer = 0;

    void create(int size)
    {
        glGenTextures(1, &colour);
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, size, size, 0, GL_RGBA, GL_FLOAT, nullptr);
        glGenTextures(1, &depth);
        glBindTexture(GL_TEXTURE_2D, depth);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, size, size, 0, GL_DEPTH_COMPONENT, GL_FLOAT, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
    }

    // Unbinds the framebuffer and deletes all three.
    void release()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &colour);
        glDeleteTextures(1, &depth);
        colour = depth = framebuffer = 0;
    }
};

}  // namespace render_ssao_test
