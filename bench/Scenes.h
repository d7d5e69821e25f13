// The scenes artists draw: settings, targets, base images and layers at real sizes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <veltrix/veltrix.h>

namespace bench {

/// One effect on a square canvas.
struct Scene {
    std::string name;
    int canvas;  ///< side in pixels
    MoveEffectParam param;
    PointTarget target;
};

/// The typical scene (radiate, parallel, circle), soft pens, a large pen and the latency scene,
/// at full size or, in smoke mode, small.
std::vector<Scene> Scenes();
Scene FindScene(const std::string& name);

/// An 8-bit RGBA base image that is dark everywhere except thin light diagonal stripes (about
/// 2% of the pixels), so most paths carry a few long lines. Built once per size.
const MoveEffectImageParam& DarkImage(int size);

/// An 8-bit RGBA layer of the given size with a colour.
class Layer {
  public:
    explicit Layer(int size);
    MoveEffectCanvasParam Param();

  private:
    int size;
    std::vector<uint8_t> pixels;
};

}  // namespace bench
