#pragma once

#include "convert/Picture.h"

namespace pelmar::convert {

// The picture's colours in sRGB, by Little CMS: from its embedded ICC
// profile, else from HEIF's colour description (primaries and transfer,
// made into a profile), else taken as sRGB already. A profile Little CMS
// cannot read, or one not for RGB, is taken as sRGB too, as a viewer would.
// HDR transfers (PQ, HLG) are tone-mapped into SDR by a curve that reaches
// white only at the format's peak, so no highlight is clipped.
class SrgbTransform
{
public:
    explicit SrgbTransform(const Picture& picture);
    ~SrgbTransform();
    SrgbTransform(const SrgbTransform&) = delete;
    SrgbTransform& operator=(const SrgbTransform&) = delete;

    // width pixels of RGB (8 or 16 bits, as the picture) into 8-bit sRGB.
    void row(const std::uint8_t* in, std::uint8_t* out, int width) const;
    bool identity() const { return m_transform == nullptr; }

private:
    void* m_transform = nullptr;
    bool m_sixteen = false;
};

// The sRGB profile embedded into every JPEG made here.
const std::vector<std::uint8_t>& srgbProfile();

// Puts a picture with alpha onto white: width pixels of RGBA into RGB.
void ontoWhite(const std::uint8_t* rgba, std::uint8_t* rgb, int width, bool sixteen);

} // namespace pelmar::convert
