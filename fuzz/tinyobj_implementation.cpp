// tinyobjloader's parser compiled into the OBJ fuzz target, so that its coverage guides the
// fuzzer and the sanitizers see its memory accesses. Same header, same version as the library.
#define TINYOBJLOADER_IMPLEMENTATION
#include <tiny_obj_loader.h>
