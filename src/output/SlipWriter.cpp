#include "output/SlipWriter.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <qrencode.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quorlix {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
// Printers leave about 5 mm at the edges unprinted; the cut marks sit in a
// margin twice that.
constexpr double kMargin = 10 * kPointsPerMm;
constexpr double kMarkLength = 6 * kPointsPerMm;
// The quiet zone a QR code needs around it, in modules.
constexpr int kQuietModules = 4;

struct PageSize {
    double width, height;
};

PageSize pageSizeOf(PaperSize paper)
{
    return paper == PaperSize::Letter ? PageSize{612, 792} : PageSize{210 * kPointsPerMm, 297 * kPointsPerMm};
}

// Columns and rows of slips on a page.
std::pair<int, int> gridOf(int perPage)
{
    switch (perPage) {
    case 1:
        return {1, 1};
    case 4:
        return {2, 2};
    case 10:
        return {2, 5};
    default:
        return {2, 4};
    }
}

// Pango lays out text in its own units.
int toPango(double points) { return static_cast<int>(points * PANGO_SCALE); }
double fromPango(int units) { return static_cast<double>(units) / PANGO_SCALE; }

class Layout {
public:
    Layout(cairo_t* cr, const char* family, PangoWeight weight) : m_layout(pango_cairo_create_layout(cr))
    {
        m_font = pango_font_description_new();
        pango_font_description_set_family(m_font, family);
        pango_font_description_set_weight(m_font, weight);
        pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD_CHAR);
    }
    ~Layout()
    {
        pango_font_description_free(m_font);
        g_object_unref(m_layout);
    }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    void setSize(double points)
    {
        if (points == m_size)
            return;
        m_size = points;
        pango_font_description_set_size(m_font, toPango(points));
        pango_layout_set_font_description(m_layout, m_font);
    }
    void setWidth(double points) { pango_layout_set_width(m_layout, toPango(points)); }
    // At most this many lines; the last shows an ellipsis when more were needed.
    void setMaxLines(int lines)
    {
        pango_layout_set_ellipsize(m_layout, PANGO_ELLIPSIZE_END);
        pango_layout_set_height(m_layout, -lines);
    }
    void setText(std::string_view text) { pango_layout_set_text(m_layout, text.data(), static_cast<int>(text.size())); }
    double height() const
    {
        int w = 0, h = 0;
        pango_layout_get_size(m_layout, &w, &h);
        return fromPango(h);
    }
    void draw(cairo_t* cr, double x, double y) const
    {
        cairo_move_to(cr, x, y);
        pango_cairo_show_layout(cr, m_layout);
    }

private:
    PangoLayout* m_layout;
    PangoFontDescription* m_font;
    double m_size = 0;
};

// Streams cairo's output into the sink.
cairo_status_t writeToSink(void* closure, const unsigned char* data, unsigned int length)
{
    auto* sink = static_cast<ByteSink*>(closure);
    sink->write({reinterpret_cast<const char*>(data), length});
    return sink->status() ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

class SlipWriter final : public ListWriter {
public:
    SlipWriter(std::unique_ptr<ByteSink> sink, const HandOut& handOut)
        : m_sink(std::move(sink)), m_options(handOut.slips), m_note(handOut.note),
          m_page(pageSizeOf(handOut.slips.paper))
    {
        std::tie(m_columns, m_rows) = gridOf(m_options.perPage);
        m_surface = cairo_pdf_surface_create_for_stream(writeToSink, m_sink.get(), m_page.width, m_page.height);
        cairo_pdf_surface_set_metadata(m_surface, CAIRO_PDF_METADATA_TITLE, "Password slips");
        cairo_pdf_surface_set_metadata(m_surface, CAIRO_PDF_METADATA_CREATOR, "Quorlix");
        m_cr = cairo_create(m_surface);
        m_cellWidth = (m_page.width - 2 * kMargin) / m_columns;
        m_cellHeight = (m_page.height - 2 * kMargin) / m_rows;
        // Sizes grow with the slip, up to twice those of a slip of ten to an A4 page.
        m_scale = std::clamp(std::min(m_cellHeight / 150.0, m_cellWidth / 260.0), 0.6, 2.0);
        m_padding = 12 * m_scale;
        // Tall slips (one or four to a page) carry the QR code under the
        // text, short ones beside it.
        m_qrBelow = m_rows <= 2;
        if (m_options.qrCode)
            m_qrSize = m_qrBelow ? std::min({m_cellWidth - 2 * m_padding, m_cellHeight / 2.5, 100 * m_scale})
                                 : std::min(m_cellHeight * 0.62, 0.34 * m_cellWidth);
        m_textWidth = m_cellWidth - 2 * m_padding - (m_options.qrCode && !m_qrBelow ? m_qrSize + m_padding / 2 : 0);

        m_heading = std::make_unique<Layout>(m_cr, "DejaVu Sans", PANGO_WEIGHT_BOLD);
        m_name = std::make_unique<Layout>(m_cr, "DejaVu Sans", PANGO_WEIGHT_BOLD);
        m_small = std::make_unique<Layout>(m_cr, "DejaVu Sans", PANGO_WEIGHT_NORMAL);
        // The note runs under the QR code, across the whole slip.
        m_wide = std::make_unique<Layout>(m_cr, "DejaVu Sans", PANGO_WEIGHT_NORMAL);
        m_wide->setWidth(m_cellWidth - 2 * m_padding);
        m_wide->setSize(8 * m_scale);
        m_wide->setMaxLines(3);
        m_password = std::make_unique<Layout>(m_cr, std::string(kSlipPasswordFont).c_str(), PANGO_WEIGHT_BOLD);
        for (Layout* l : {m_heading.get(), m_name.get(), m_small.get(), m_password.get()})
            l->setWidth(m_textWidth);
        m_heading->setSize(9 * m_scale);
        m_heading->setMaxLines(2);
        m_name->setSize(12 * m_scale);
        m_name->setMaxLines(m_qrBelow ? 3 : 2);
        m_small->setSize(8 * m_scale);
        m_small->setMaxLines(3);
    }
    ~SlipWriter() override { discard(); }

    void begin() override {}
    void add(std::string_view password) override { addRow(ListRow{password}); }
    void addRow(const ListRow& row) override
    {
        if (m_closed || !m_status)
            return;
        const int cell = static_cast<int>(m_slips % static_cast<std::size_t>(m_options.perPage));
        if (cell == 0 && m_slips > 0)
            cairo_show_page(m_cr);
        if (cell == 0)
            drawCutMarks();
        ++m_slips;
        const double x = kMargin + (cell % m_columns) * m_cellWidth;
        const double y = kMargin + (cell / m_columns) * m_cellHeight;
        drawSlip(row, x, y);
        checkCairo();
    }
    Status finish() override { return complete(); }
    Status closeUnfinished() override { return complete(); }
    void discard() override
    {
        if (m_closed)
            return;
        releaseCairo();
        m_sink->drop();
        m_closed = true;
    }

private:
    void drawCutMarks()
    {
        cairo_save(m_cr);
        cairo_set_source_rgb(m_cr, 0.45, 0.45, 0.45);
        cairo_set_line_width(m_cr, 0.4);
        const double right = m_page.width - kMargin, bottom = m_page.height - kMargin;
        // Marks in the margins at every line between and around the slips...
        for (int c = 0; c <= m_columns; ++c) {
            const double x = kMargin + c * m_cellWidth;
            cairo_move_to(m_cr, x, kMargin - 2 - kMarkLength);
            cairo_line_to(m_cr, x, kMargin - 2);
            cairo_move_to(m_cr, x, bottom + 2);
            cairo_line_to(m_cr, x, bottom + 2 + kMarkLength);
        }
        for (int r = 0; r <= m_rows; ++r) {
            const double y = kMargin + r * m_cellHeight;
            cairo_move_to(m_cr, kMargin - 2 - kMarkLength, y);
            cairo_line_to(m_cr, kMargin - 2, y);
            cairo_move_to(m_cr, right + 2, y);
            cairo_line_to(m_cr, right + 2 + kMarkLength, y);
        }
        // ...and small crosses where inner lines meet, for a guillotine.
        const double arm = 2 * kPointsPerMm;
        for (int c = 0; c <= m_columns; ++c)
            for (int r = 0; r <= m_rows; ++r) {
                if ((c == 0 || c == m_columns) && (r == 0 || r == m_rows))
                    continue;
                const double x = kMargin + c * m_cellWidth, y = kMargin + r * m_cellHeight;
                cairo_move_to(m_cr, x - arm, y);
                cairo_line_to(m_cr, x + arm, y);
                cairo_move_to(m_cr, x, y - arm);
                cairo_line_to(m_cr, x, y + arm);
            }
        cairo_stroke(m_cr);
        cairo_restore(m_cr);
    }

    void drawSlip(const ListRow& row, double x, double y)
    {
        cairo_set_source_rgb(m_cr, 0, 0, 0);
        const double left = x + m_padding;
        double top = y + m_padding;
        const double bottom = y + m_cellHeight - m_padding;
        if (!m_options.heading.empty()) {
            m_heading->setText(m_options.heading);
            m_heading->draw(m_cr, left, top);
            top += m_heading->height() + 3 * m_scale;
        }
        m_text.clear();
        m_text.append(row.firstName);
        if (!row.firstName.empty() && !row.lastName.empty())
            m_text.push_back(' ');
        m_text.append(row.lastName);
        if (!m_text.empty()) {
            m_name->setText(m_text);
            m_name->draw(m_cr, left, top);
            top += m_name->height() + 2 * m_scale;
        }
        if (!row.userName.empty()) {
            m_text.assign("User name: ");
            m_text.append(row.userName);
            m_small->setText(m_text);
            m_small->draw(m_cr, left, top);
            top += m_small->height() + 4 * m_scale;
        }
        double noteHeight = 0;
        if (!m_note.empty()) {
            m_wide->setText(m_note);
            noteHeight = m_wide->height();
        }
        m_small->setText("Password:");
        m_small->draw(m_cr, left, top);
        top += m_small->height() + 1 * m_scale;
        // The password is never cut short: a long one is set smaller until it
        // fits above the note.
        m_text = groupedForReading(row.password);
        m_password->setText(m_text);
        const double room = bottom - top - (noteHeight > 0 ? noteHeight + 3 * m_scale : 0) -
                            (m_options.qrCode && m_qrBelow ? m_qrSize + m_padding : 0);
        for (double size = 13 * m_scale;; size *= 0.85) {
            m_password->setSize(size);
            if (m_password->height() <= room || size < 9 * m_scale)
                break;
        }
        m_password->draw(m_cr, left, top);
        top += m_password->height() + m_padding / 2;
        explicit_bzero(m_text.data(), m_text.size());
        if (noteHeight > 0)
            m_wide->draw(m_cr, left, bottom - noteHeight);
        if (m_options.qrCode && m_qrBelow)
            drawQrCode(row.password, left - m_qrSize / 12, top);
        else if (m_options.qrCode)
            drawQrCode(row.password, x + m_cellWidth - m_padding - m_qrSize, y + m_padding / 2);
    }

    void drawQrCode(std::string_view password, double x, double y)
    {
        QRcode* code = QRcode_encodeData(static_cast<int>(password.size()),
                                         reinterpret_cast<const unsigned char*>(password.data()), 0, QR_ECLEVEL_M);
        if (!code) {
            m_status = Status::invalidArgument(std::string("A QR code cannot be made of a password: ") +
                                               std::strerror(errno));
            return;
        }
        const int width = code->width;
        const int side = width + 2 * kQuietModules;
        // One pixel per module, scaled up without smoothing: a small image in
        // the PDF (a path of rectangles per code made files seven times
        // larger and slower to write), sharp at any resolution.
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, side, side);
        cairo_surface_flush(image);
        unsigned char* pixels = cairo_image_surface_get_data(image);
        const int stride = cairo_image_surface_get_stride(image);
        // White, then the dark modules black.
        std::memset(pixels, 0xFF, static_cast<std::size_t>(stride) * static_cast<std::size_t>(side));
        for (int r = 0; r < width; ++r)
            for (int c = 0; c < width; ++c)
                if (code->data[r * width + c] & 1)
                    std::memset(pixels + (r + kQuietModules) * stride + (c + kQuietModules) * 4, 0, 4);
        cairo_surface_mark_dirty(image);
        cairo_save(m_cr);
        cairo_translate(m_cr, x, y);
        cairo_scale(m_cr, m_qrSize / side, m_qrSize / side);
        cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image);
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
        cairo_set_source(m_cr, pattern);
        cairo_paint(m_cr);
        cairo_pattern_destroy(pattern);
        cairo_restore(m_cr);
        // cairo reads the pixels when the page is written: they stay as they are.
        cairo_surface_destroy(image);
        explicit_bzero(code->data, static_cast<std::size_t>(width) * static_cast<std::size_t>(width));
        QRcode_free(code);
    }

    void checkCairo()
    {
        if (m_status && cairo_status(m_cr) != CAIRO_STATUS_SUCCESS)
            m_status = Status::ioError(std::string("The slips could not be drawn: ") +
                                       cairo_status_to_string(cairo_status(m_cr)));
    }

    void releaseCairo()
    {
        m_heading.reset();
        m_name.reset();
        m_small.reset();
        m_password.reset();
        m_wide.reset();
        if (m_cr)
            cairo_destroy(m_cr);
        m_cr = nullptr;
        if (m_surface)
            cairo_surface_destroy(m_surface);
        m_surface = nullptr;
    }

    Status complete()
    {
        if (m_closed)
            return Status::invalidArgument("The slips were already closed.");
        if (m_slips == 0 && m_status)
            drawCutMarks(); // an empty list still makes a valid, one-page file
        checkCairo();
        cairo_surface_finish(m_surface);
        const cairo_status_t finished = cairo_surface_status(m_surface);
        releaseCairo();
        m_closed = true;
        if (m_status && finished != CAIRO_STATUS_SUCCESS)
            m_status = m_sink->status() ? Status::ioError(std::string("The slips could not be written: ") +
                                                          cairo_status_to_string(finished))
                                        : m_sink->status();
        if (!m_status) {
            m_sink->drop();
            return m_status;
        }
        return m_sink->close();
    }

    std::unique_ptr<ByteSink> m_sink;
    SlipOptions m_options;
    std::string m_note;
    PageSize m_page;
    int m_columns = 2, m_rows = 4;
    bool m_qrBelow = false;
    double m_cellWidth = 0, m_cellHeight = 0, m_scale = 1, m_padding = 12, m_qrSize = 0, m_textWidth = 0;
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
    std::unique_ptr<Layout> m_heading, m_name, m_small, m_password, m_wide;
    std::string m_text;
    std::size_t m_slips = 0;
    bool m_closed = false;
    Status m_status;
};

} // namespace

std::string groupedForReading(std::string_view password)
{
    std::string out;
    out.reserve(password.size() * 2);
    std::size_t inGroup = 0;
    for (std::size_t i = 0; i < password.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(password[i]);
        // A UTF-8 continuation byte belongs to the character before it.
        const bool continuation = (c & 0xC0) == 0x80;
        if (!continuation) {
            if (inGroup == 4) {
                out.push_back(' ');
                inGroup = 0;
            }
            ++inGroup;
        }
        if (c == ' ')
            out.append("\u2423");
        else
            out.push_back(static_cast<char>(c));
    }
    return out;
}

std::unique_ptr<ListWriter> makeSlipWriter(std::unique_ptr<ByteSink> sink, const HandOut& handOut)
{
    return std::make_unique<SlipWriter>(std::move(sink), handOut);
}

std::unique_ptr<ListWriter> openSlipFile(const std::string& path, const HandOut& handOut, Status* error)
{
    auto sink = openFileSink(path, error);
    if (!sink)
        return nullptr;
    return makeSlipWriter(std::move(sink), handOut);
}

} // namespace quorlix
