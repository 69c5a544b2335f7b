#include "convert/ColourToSrgb.h"

#include <cmath>
#include <cstring>
#include <memory>

#include <lcms2.h>

namespace pelmar::convert {

namespace {

// CICP code points (ITU-T H.273) this file tells apart.
enum : int {
    kPrimariesBt709 = 1,
    kTransferBt709 = 1,
    kTransferGamma22 = 4,
    kTransferGamma28 = 5,
    kTransferBt601 = 6,
    kTransferLinear = 8,
    kTransferSrgb = 13,
    kTransferBt2020a = 14,
    kTransferBt2020b = 15,
    kTransferPq = 16,
    kTransferHlg = 18,
};

struct ProfileClose
{
    void operator()(void* p) const { cmsCloseProfile(p); }
};
using Profile = std::unique_ptr<void, ProfileClose>;

struct CurveFree
{
    void operator()(cmsToneCurve* c) const { cmsFreeToneCurve(c); }
};
using Curve = std::unique_ptr<cmsToneCurve, CurveFree>;

// Extended Reinhard: x = 0 -> 0, x = peak -> 1, never above 1.
double toneMap(double x, double peak)
{
    return x * (1.0 + x / (peak * peak)) / (1.0 + x);
}

// SMPTE ST 2084: signal -> absolute luminance in cd/m2.
double pqToNits(double e)
{
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128, c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32,
                     c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(std::max(e, 0.0), 1.0 / m2);
    return 10000.0 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1.0 / m1);
}

// ARIB STD-B67 (HLG): signal -> scene light 0..1.
double hlgToScene(double e)
{
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    return e <= 0.5 ? e * e / 3.0 : (std::exp((e - c) / a) + b) / 12.0;
}

// SDR's reference white (ITU-R BT.2408) is the 1.0 the tone map works in.
constexpr double kReferenceWhite = 203.0;

Curve hdrCurve(int transfer)
{
    constexpr int n = 4096;
    std::vector<float> values(n);
    // PQ reaches 10,000 cd/m2; HLG is shown on a 1,000 cd/m2 display.
    const double peak = (transfer == kTransferPq ? 10000.0 : 1000.0) / kReferenceWhite;
    for (int i = 0; i < n; ++i) {
        const double e = double(i) / (n - 1);
        const double nits = transfer == kTransferPq ? pqToNits(e) : 1000.0 * std::pow(hlgToScene(e), 1.2);
        values[std::size_t(i)] = float(toneMap(nits / kReferenceWhite, peak));
    }
    return Curve(cmsBuildTabulatedToneCurveFloat(nullptr, n, values.data()));
}

Curve sdrCurve(int transfer)
{
    switch (transfer) {
    case kTransferBt709:
    case kTransferBt601:
    case kTransferBt2020a:
    case kTransferBt2020b: {
        // The inverse of BT.709's camera curve.
        const double p[5] = {1.0 / 0.45, 1.0 / 1.099, 0.099 / 1.099, 1.0 / 4.5, 0.081};
        return Curve(cmsBuildParametricToneCurve(nullptr, 4, p));
    }
    case kTransferGamma22:
        return Curve(cmsBuildGamma(nullptr, 2.2));
    case kTransferGamma28:
        return Curve(cmsBuildGamma(nullptr, 2.8));
    case kTransferLinear:
        return Curve(cmsBuildGamma(nullptr, 1.0));
    default: {
        // sRGB, and what is not said.
        const double p[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        return Curve(cmsBuildParametricToneCurve(nullptr, 4, p));
    }
    }
}

bool plausible(const float xy[2])
{
    return xy[0] > 0.0f && xy[0] < 1.0f && xy[1] > 0.0f && xy[1] < 1.0f;
}

Profile profileOf(const ColourDescription& d)
{
    const bool hdr = d.transfer == kTransferPq || d.transfer == kTransferHlg;
    const bool primaries = plausible(d.red) && plausible(d.green) && plausible(d.blue) && plausible(d.white);
    // sRGB's own primaries and curve, or nothing said: no transform at all.
    if ((!primaries || d.primaries == kPrimariesBt709 || d.primaries == 2)
        && (d.transfer == kTransferSrgb || d.transfer == 2 || d.transfer == 0))
        return nullptr;
    cmsCIExyY white {0.3127, 0.3290, 1.0};
    cmsCIExyYTRIPLE prim {{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    if (primaries && d.primaries != 2) {
        white = {d.white[0], d.white[1], 1.0};
        prim = {{d.red[0], d.red[1], 1.0}, {d.green[0], d.green[1], 1.0}, {d.blue[0], d.blue[1], 1.0}};
    }
    Curve curve = hdr ? hdrCurve(d.transfer) : sdrCurve(d.transfer);
    if (!curve)
        return nullptr;
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    return Profile(cmsCreateRGBProfile(&white, &prim, curves));
}

Profile sourceProfile(const Picture& picture)
{
    if (!picture.icc.empty()) {
        Profile p(cmsOpenProfileFromMem(picture.icc.data(), cmsUInt32Number(picture.icc.size())));
        if (p && cmsGetColorSpace(p.get()) == cmsSigRgbData)
            return p;
        return nullptr;
    }
    if (picture.nclx)
        return profileOf(*picture.nclx);
    return nullptr;
}

} // namespace

SrgbTransform::SrgbTransform(const Picture& picture)
    : m_sixteen(picture.sixteen)
{
    // A bad profile is said by the fallback to sRGB, not on standard error.
    cmsSetLogErrorHandler(nullptr);
    const Profile in = sourceProfile(picture);
    if (!in)
        return;
    const Profile out(cmsCreate_sRGBProfile());
    m_transform = cmsCreateTransform(in.get(), m_sixteen ? TYPE_RGB_16 : TYPE_RGB_8, out.get(), TYPE_RGB_8,
                                     INTENT_PERCEPTUAL, 0);
}

SrgbTransform::~SrgbTransform()
{
    if (m_transform)
        cmsDeleteTransform(m_transform);
}

void SrgbTransform::row(const std::uint8_t* in, std::uint8_t* out, int width) const
{
    if (m_transform) {
        cmsDoTransform(m_transform, in, out, cmsUInt32Number(width));
        return;
    }
    const std::size_t n = std::size_t(width) * 3;
    if (!m_sixteen) {
        std::memcpy(out, in, n);
        return;
    }
    const auto* wide = reinterpret_cast<const std::uint16_t*>(in);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = std::uint8_t((std::uint32_t(wide[i]) * 255u + 32767u) / 65535u);
}

const std::vector<std::uint8_t>& srgbProfile()
{
    static const std::vector<std::uint8_t> bytes = [] {
        const Profile p(cmsCreate_sRGBProfile());
        cmsUInt32Number size = 0;
        cmsSaveProfileToMem(p.get(), nullptr, &size);
        std::vector<std::uint8_t> out(size);
        if (!cmsSaveProfileToMem(p.get(), out.data(), &size) || out.size() < 36)
            return std::vector<std::uint8_t>();
        // Little CMS dates the header now; a fixed date makes two
        // conversions of one picture the same bytes.
        const std::uint8_t date[12] = {0x07, 0xe8, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0};
        std::memcpy(out.data() + 24, date, sizeof date);
        return out;
    }();
    return bytes;
}

void ontoWhite(const std::uint8_t* rgba, std::uint8_t* rgb, int width, bool sixteen)
{
    if (!sixteen) {
        for (int x = 0; x < width; ++x, rgba += 4, rgb += 3) {
            const std::uint32_t a = rgba[3];
            for (int c = 0; c < 3; ++c)
                rgb[c] = std::uint8_t((rgba[c] * a + 255u * (255u - a) + 127u) / 255u);
        }
        return;
    }
    const auto* in = reinterpret_cast<const std::uint16_t*>(rgba);
    auto* out = reinterpret_cast<std::uint16_t*>(rgb);
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        const std::uint64_t a = in[3];
        for (int c = 0; c < 3; ++c)
            out[c] = std::uint16_t((in[c] * a + 65535ull * (65535ull - a) + 32767ull) / 65535ull);
    }
}

} // namespace pelmar::convert
