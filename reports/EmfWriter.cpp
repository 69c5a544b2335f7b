#include "reports/EmfWriter.h"
#include "core/Texts.h"

#include "core/AppError.h"
#include "reports/TextMetrics.h"

#include <uemf.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pelmar::reports {

namespace {

// The page's reference device: a 600 dpi printer. Logical coordinates are
// hundredths of a millimetre, mapped onto it by the window/viewport extents.
constexpr int PageUnitsX = int(PageWidthMm * UnitsPerMm); // 21000
constexpr int PageUnitsY = int(PageHeightMm * UnitsPerMm); // 29700
constexpr double DevicePerMm = 600.0 / 25.4;
const int DeviceX = int(std::lround(PageWidthMm * DevicePerMm));
const int DeviceY = int(std::lround(PageHeightMm * DevicePerMm));

U_RECTL rect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    U_RECTL r;
    r.left = left;
    r.top = top;
    r.right = right;
    r.bottom = bottom;
    return r;
}

int32_t units(double mm)
{
    return int32_t(std::lround(mm * UnitsPerMm));
}

U_RECTL rectUnits(const QRectF& r)
{
    return rect(units(r.left()), units(r.top()), units(r.right()), units(r.bottom()));
}

U_COLORREF colorRef(const QColor& c)
{
    return colorref3_set(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
}

[[noreturn]] void recordFailed()
{
    throw AppError(QStringLiteral("Nem sikerült elkészíteni a nyomtatvány oldalát (kevés a memória)"));
}

// The metafile under construction, with libUEMF's record buffer and object
// table; both freed however the page ends.
class Metafile
{
public:
    Metafile()
    {
        // libUEMF's own start routine insists on opening a file; the page is
        // wanted in memory, so the tracking record is set up here and the
        // header is completed below the way its finish routine would.
        m_et = static_cast<EMFTRACK*>(std::calloc(1, sizeof(EMFTRACK)));
        if (!m_et)
            recordFailed();
        m_et->allocated = 64 * 1024;
        m_et->chunk = 64 * 1024;
        m_et->buf = static_cast<char*>(std::malloc(m_et->allocated));
        if (!m_et->buf) {
            std::free(m_et);
            recordFailed();
        }
        if (emf_htable_create(64, 64, &m_eht) != 0) {
            emf_free(&m_et);
            recordFailed();
        }
    }
    ~Metafile()
    {
        emf_free(&m_et);
        emf_htable_free(&m_eht);
    }
    Metafile(const Metafile&) = delete;
    Metafile& operator=(const Metafile&) = delete;

    void append(char* record)
    {
        if (!record)
            recordFailed();
        if (emf_append(reinterpret_cast<U_ENHMETARECORD*>(record), m_et, 1) != 0)
            recordFailed();
    }

    EMFHANDLES* handles() { return m_eht; }
    EMFTRACK* track() { return m_et; }

    QByteArray finish()
    {
        append(U_EMREOF_set(0, nullptr, m_et));
        auto* header = reinterpret_cast<U_EMRHEADER*>(m_et->buf);
        header->nBytes = uint32_t(m_et->used);
        header->nRecords = m_et->records;
        header->nHandles = uint16_t(m_eht->peak + 1);
        header->nPalEntries = m_et->PalEntries;
        return QByteArray(m_et->buf, qsizetype(m_et->used));
    }

private:
    EMFTRACK* m_et = nullptr;
    EMFHANDLES* m_eht = nullptr;
};

class PageWriter
{
public:
    QByteArray write(const PreparedPage& page)
    {
        const QString description
            = kProgramName + QChar(0) + QStringLiteral("Oldal %1").arg(page.number) + QChar(0) + QChar(0);
        std::vector<uint16_t> desc(description.utf16(), description.utf16() + description.size());
        m_emf.append(U_EMRHEADER_set(rect(0, 0, DeviceX - 1, DeviceY - 1), rect(0, 0, PageUnitsX - 1, PageUnitsY - 1),
                                     nullptr, U_CBSTR(desc.size()), desc.data(), sizel_set(DeviceX, DeviceY),
                                     sizel_set(int32_t(PageWidthMm), int32_t(PageHeightMm)), 0));
        m_emf.append(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
        m_emf.append(U_EMRSETWINDOWORGEX_set(point32_set(0, 0)));
        m_emf.append(U_EMRSETWINDOWEXTEX_set(sizel_set(PageUnitsX, PageUnitsY)));
        m_emf.append(U_EMRSETVIEWPORTORGEX_set(point32_set(0, 0)));
        m_emf.append(U_EMRSETVIEWPORTEXTEX_set(sizel_set(DeviceX, DeviceY)));
        m_emf.append(U_EMRSETBKMODE_set(U_TRANSPARENT));
        m_emf.append(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_LEFT | U_TA_NOUPDATECP));
        m_emf.append(U_EMRSETTEXTCOLOR_set(colorRef(Qt::black)));
        m_textColor = QColor(Qt::black);

        for (const PageItem& item : page.items)
            std::visit([this](const auto& i) { draw(i); }, item);

        // Leave the device as found: stock objects back in, ours deleted.
        m_emf.append(U_EMRSELECTOBJECT_set(U_BLACK_PEN));
        m_emf.append(U_EMRSELECTOBJECT_set(U_WHITE_BRUSH));
        m_emf.append(U_EMRSELECTOBJECT_set(U_DEVICE_DEFAULT_FONT));
        for (auto& object : m_objects)
            m_emf.append(deleteobject_set(&object.handle, m_emf.handles()));
        return m_emf.finish();
    }

private:
    enum class Kind { Pen, Brush, Font };
    struct Object
    {
        Kind kind = Kind::Pen;
        int32_t penWidth = 0;
        QRgb color = 0;
        FontSpec font;
        uint32_t handle = 0;
    };

    void select(uint32_t handle, uint32_t& current)
    {
        if (current == handle)
            return;
        m_emf.append(selectobject_set(handle, m_emf.handles()));
        current = handle;
    }

    uint32_t pen(int32_t width)
    {
        for (const Object& o : m_objects)
            if (o.kind == Kind::Pen && o.penWidth == width)
                return o.handle;
        Object o;
        o.kind = Kind::Pen;
        o.penWidth = width;
        U_POINT w;
        w.x = width;
        w.y = 0;
        m_emf.append(createpen_set(&o.handle, m_emf.handles(), logpen_set(U_PS_SOLID, w, colorRef(Qt::black))));
        m_objects.push_back(o);
        return o.handle;
    }

    uint32_t brush(const QColor& color)
    {
        for (const Object& o : m_objects)
            if (o.kind == Kind::Brush && o.color == color.rgb())
                return o.handle;
        Object o;
        o.kind = Kind::Brush;
        o.color = color.rgb();
        m_emf.append(createbrushindirect_set(&o.handle, m_emf.handles(), logbrush_set(U_BS_SOLID, colorRef(color), 0)));
        m_objects.push_back(o);
        return o.handle;
    }

    uint32_t font(const FontSpec& fontSpec)
    {
        for (const Object& o : m_objects)
            if (o.kind == Kind::Font && o.font == fontSpec)
                return o.handle;
        Object o;
        o.kind = Kind::Font;
        o.font = fontSpec;
        uint16_t face[U_LF_FACESIZE] = {};
        const QString name = fontSpec.name.left(U_LF_FACESIZE - 1);
        std::memcpy(face, name.utf16(), size_t(name.size()) * sizeof(uint16_t));
        const bool serif = standInFamily(fontSpec.name).contains(QLatin1String("Serif"));
        // A negative height asks for the character (em) height, as a point
        // size does.
        U_LOGFONT lf = logfont_set(-emHeightUnits(fontSpec), 0, 0, 0, fontSpec.bold ? U_FW_BOLD : U_FW_NORMAL,
                                   fontSpec.italic ? 1 : 0, fontSpec.underline ? 1 : 0, 0, U_DEFAULT_CHARSET,
                                   U_OUT_DEFAULT_PRECIS, U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY,
                                   uint8_t(U_DEFAULT_PITCH | (serif ? U_FF_ROMAN : U_FF_SWISS)), face);
        m_emf.append(
            extcreatefontindirectw_set(&o.handle, m_emf.handles(), reinterpret_cast<const char*>(&lf), nullptr));
        m_objects.push_back(o);
        return o.handle;
    }

    void draw(const FillItem& item)
    {
        select(U_NULL_PEN, m_pen);
        select(brush(item.color), m_brush);
        // A rectangle drawn without a pen leaves out its right and bottom
        // edge, so it is widened by one unit to cover the band exactly.
        U_RECTL r = rectUnits(item.rect);
        r.right += 1;
        r.bottom += 1;
        m_emf.append(U_EMRRECTANGLE_set(r));
    }

    void draw(const LineItem& item)
    {
        select(pen(units(item.width)), m_pen);
        m_emf.append(U_EMRMOVETOEX_set(point32_set(units(item.from.x()), units(item.from.y()))));
        m_emf.append(U_EMRLINETO_set(point32_set(units(item.to.x()), units(item.to.y()))));
    }

    void draw(const RectItem& item)
    {
        select(pen(units(item.penWidth)), m_pen);
        select(U_NULL_BRUSH, m_brush);
        m_emf.append(U_EMRRECTANGLE_set(rectUnits(item.rect)));
    }

    void draw(const TextItem& item)
    {
        if (item.text.isEmpty())
            return;
        select(font(item.font), m_font);
        if (item.color != m_textColor) {
            m_emf.append(U_EMRSETTEXTCOLOR_set(colorRef(item.color)));
            m_textColor = item.color;
        }
        std::vector<uint32_t> dx(item.dx.begin(), item.dx.end());
        dx.resize(size_t(item.text.size()), 0);
        const uint32_t options = item.clipped ? U_ETO_CLIPPED : U_ETO_NONE;
        const U_RECTL clip = item.clipped ? rectUnits(item.clip) : rect(0, 0, -1, -1);
        char* text
            = emrtext_set(point32_set(units(item.origin.x()), units(item.origin.y())), U_NUM_STR(item.text.size()), 2,
                          const_cast<ushort*>(item.text.utf16()), options, clip, dx.data());
        if (!text)
            recordFailed();
        char* record = U_EMREXTTEXTOUTW_set(rect(0, 0, -1, -1), U_GM_COMPATIBLE, float(UnitsPerMm / DevicePerMm),
                                            float(UnitsPerMm / DevicePerMm), reinterpret_cast<PU_EMRTEXT>(text));
        std::free(text);
        m_emf.append(record);
    }

    Metafile m_emf;
    std::vector<Object> m_objects;
    uint32_t m_pen = 0;
    uint32_t m_brush = 0;
    uint32_t m_font = 0;
    QColor m_textColor;
};

} // namespace

QByteArray pageToEmf(const PreparedPage& page)
{
    PageWriter writer;
    return writer.write(page);
}

} // namespace pelmar::reports
