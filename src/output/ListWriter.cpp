#include "output/ListWriter.h"

#include <cstring>
#include <utility>
#include <vector>

#include "output/Maker.h"
#include "platform/AtomicFile.h"
#include "platform/ResultListBuffer.h"

namespace quorlix {

namespace {

constexpr std::string_view kCrLf = "\r\n";

MdbListWriterFactory& mdbFactory()
{
    static MdbListWriterFactory factory;
    return factory;
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Collects small appends into large writes: a list of ten million short
// passwords would otherwise cost one sink call per line.
class Buffered {
public:
    explicit Buffered(std::unique_ptr<ByteSink> sink) : m_sink(std::move(sink)) { m_buffer.resize(kSize); }
    // The buffer held passwords: PodBuffer zeroes it when it goes.

    void put(std::string_view bytes)
    {
        if (bytes.size() > kSize - m_used) {
            flush();
            if (bytes.size() > kSize) {
                m_sink->write(bytes);
                return;
            }
        }
        std::memcpy(m_buffer.data() + m_used, bytes.data(), bytes.size());
        m_used += bytes.size();
    }
    void line(std::string_view text)
    {
        put(text);
        put(kCrLf);
    }
    void flush()
    {
        if (m_used) {
            m_sink->write({m_buffer.data(), m_used});
            m_used = 0;
        }
    }
    Status close()
    {
        flush();
        return m_sink->close();
    }
    void drop()
    {
        m_used = 0;
        m_sink->drop();
    }

private:
    static constexpr std::size_t kSize = 1 << 18;
    std::unique_ptr<ByteSink> m_sink;
    PodBuffer<char> m_buffer;
    std::size_t m_used = 0;
};

// The three text formats differ only in their opening lines, the lines of one
// password and their closing lines.
class TextListWriter : public ListWriter {
public:
    explicit TextListWriter(std::unique_ptr<ByteSink> sink) : m_out(std::move(sink)) {}

    void begin() override { writeHead(); }
    void add(std::string_view password) override { writeRow(password); }
    Status finish() override
    {
        if (m_done)
            return Status::invalidArgument("The list was already closed.");
        writeTail();
        m_done = true;
        return m_out.close();
    }
    Status closeUnfinished() override
    {
        if (m_done)
            return Status::invalidArgument("The list was already closed.");
        m_done = true;
        return m_out.close();
    }
    void discard() override
    {
        if (!m_done)
            m_out.drop();
        m_done = true;
    }
    ~TextListWriter() override { discard(); }

protected:
    virtual void writeHead() {}
    virtual void writeRow(std::string_view password) = 0;
    virtual void writeTail() {}
    Buffered m_out;

private:
    bool m_done = false;
};

class TxtWriter final : public TextListWriter {
public:
    using TextListWriter::TextListWriter;

protected:
    void writeRow(std::string_view password) override { m_out.line(password); }
};

class CsvWriter final : public TextListWriter {
public:
    using TextListWriter::TextListWriter;

protected:
    void writeHead() override
    {
        m_out.put("\"Quorlix\"\r\n"
                  "\"Password List\"\r\n"
                  "\"\"\r\n"
                  "\"Last Name\",\"First Name\",\"Password\"\r\n");
    }
    void writeRow(std::string_view password) override
    {
        m_out.put("\"\",\"\",\"");
        // A quote inside a field is doubled, or a reader would end the field there.
        std::size_t from = 0;
        for (std::size_t q = password.find('"'); q != std::string_view::npos; q = password.find('"', q + 1)) {
            m_out.put(password.substr(from, q + 1 - from));
            m_out.put("\"");
            from = q + 1;
        }
        m_out.put(password.substr(from));
        m_out.put("\"\r\n");
    }
    void writeTail() override
    {
        m_out.line("\"\"");
        m_out.line("\"Created by: Quorlix\"");
        m_out.put("\"");
        m_out.put(kMakerHomePage);
        m_out.put("\"\r\n\"");
        m_out.put(kMakerEmail);
        m_out.put("\"\r\n");
    }
};

class HtmWriter final : public TextListWriter {
public:
    using TextListWriter::TextListWriter;

protected:
    void writeHead() override
    {
        m_out.put(
            "<HTML>\r\n"
            "<HEAD>\r\n"
            // The passwords and texts are UTF-8; a browser must not guess.
            "<meta charset=\"utf-8\">\r\n"
            "<TITLE>Password List</TITLE>\r\n"
            "<META NAME=\"Description\" CONTENT=\"\">\r\n"
            "<META NAME=\"Keywords\" CONTENT=\"\">\r\n"
            "<META NAME=\"Author\" CONTENT=\"Brennick Software\">\r\n"
            "<META NAME=\"Generator\" CONTENT=\"Quorlix\">\r\n"
            "</HEAD>\r\n"
            "<BODY BGCOLOR=\"#000000\">\r\n"
            "\r\n"
            "<BR><CENTER><FONT FACE=\"Times New Roman\" SIZE=5 COLOR=\"#FFCC00\"><B>Quorlix</B></FONT></CENTER>\r\n"
            "<BR><CENTER><FONT FACE=\"Times New Roman\" SIZE=5 COLOR=\"#FFCC00\"><B>Password "
            "List</B></FONT></CENTER><BR><BR>\r\n"
            "\r\n"
            "<TABLE ALIGN=\"CENTER\" BORDER=2 CELLPADDING=3 CELLSPACING=3 BGCOLOR=\"#FFFFCC\" "
            "BORDERCOLOR=\"#0000FF\">\r\n"
            "  <COL SPAN=3>\r\n"
            "    <TR>\r\n");
        for (const char* heading : {"Last Name", "First Name", "Password"}) {
            m_out.put("      <TD ALIGN=\"CENTER\" BGCOLOR=\"#CCCCCC\">&nbsp;<FONT FACE=\"Times New Roman\" SIZE=5 "
                      "COLOR=\"#993300\"><B>");
            m_out.put(heading);
            m_out.put("</B></FONT></TD>\r\n");
        }
        m_out.put("    </TR>\r\n"
                  "    <TR>\r\n");
    }
    void writeRow(std::string_view password) override
    {
        m_out.put(kEmptyCell);
        m_out.put(kEmptyCell);
        m_out.put(kCellOpen);
        // Characters the browser would read as markup are written as references.
        std::size_t from = 0;
        for (std::size_t i = 0; i < password.size(); ++i) {
            const char c = password[i];
            const char* ref = c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : nullptr;
            if (ref) {
                m_out.put(password.substr(from, i - from));
                m_out.put(ref);
                from = i + 1;
            }
        }
        m_out.put(password.substr(from));
        m_out.put(kCellClose);
    }
    void writeTail() override
    {
        m_out.put("    </TR>\r\n"
                  "</TABLE>\r\n"
                  "\r\n"
                  "<BR><BR><A HREF=\"");
        m_out.put(kMakerHomePage);
        m_out.put("\"><FONT FACE=\"Times New Roman\" SIZE=2 COLOR=\"#FFCC00\"><B>Brennick Software "
                  "Homepage</B></A>\r\n"
                  "<BR><BR><A HREF=\"mailto:");
        m_out.put(kMakerEmail);
        m_out.put("\"><B>E-Mail Brennick Software</B></a></font><BR>\r\n"
                  "\r\n"
                  "</BODY>\r\n"
                  "</HTML>\r\n");
    }

private:
    static constexpr std::string_view kEmptyCell =
        "      <TD>&nbsp;<FONT FACE=\"Courier New\" SIZE=3 COLOR=\"#993300\"><B></B></FONT></TD>\r\n";
    static constexpr std::string_view kCellOpen =
        "      <TD>&nbsp;<FONT FACE=\"Courier New\" SIZE=3 COLOR=\"#993300\"><B>";
    static constexpr std::string_view kCellClose = "</B></FONT></TD><TR>\r\n";
};

class FileSink final : public ByteSink {
public:
    Status open(const std::string& path) { return m_file.open(path); }
    void write(std::string_view bytes) override { m_file.write(bytes); }
    Status status() const override { return m_file.status(); }
    Status close() override { return m_file.commit(); }
    void drop() override { m_file.abandon(); }

private:
    AtomicFile m_file;
};

void setError(Status* error, Status status)
{
    if (error)
        *error = std::move(status);
}

} // namespace

std::optional<ListFormat> formatFromFileName(std::string_view name)
{
    if (name.size() < 3)
        return std::nullopt;
    std::string tail(name.substr(name.size() - 3));
    for (char& c : tail)
        c = upper(c);
    if (tail == "TXT")
        return ListFormat::Txt;
    if (tail == "CSV")
        return ListFormat::Csv;
    if (tail == "HTM")
        return ListFormat::Htm;
    if (tail == "MDB")
        return ListFormat::Mdb;
    return std::nullopt;
}

std::string_view extensionOf(ListFormat format)
{
    switch (format) {
    case ListFormat::Txt:
        return "txt";
    case ListFormat::Csv:
        return "csv";
    case ListFormat::Htm:
        return "htm";
    case ListFormat::Mdb:
        return "mdb";
    }
    return "txt";
}

std::unique_ptr<ListWriter> makeTextListWriter(ListFormat format, std::unique_ptr<ByteSink> sink)
{
    switch (format) {
    case ListFormat::Txt:
        return std::make_unique<TxtWriter>(std::move(sink));
    case ListFormat::Csv:
        return std::make_unique<CsvWriter>(std::move(sink));
    case ListFormat::Htm:
        return std::make_unique<HtmWriter>(std::move(sink));
    case ListFormat::Mdb:
        break;
    }
    return nullptr;
}

std::unique_ptr<ByteSink> openFileSink(const std::string& path, Status* error)
{
    auto sink = std::make_unique<FileSink>();
    Status status = sink->open(path);
    if (!status.isOk()) {
        setError(error, std::move(status));
        return nullptr;
    }
    setError(error, Status::ok());
    return sink;
}

std::unique_ptr<ListWriter> openListFile(const std::string& path, ListFormat format, Status* error)
{
    if (format == ListFormat::Mdb) {
        const MdbListWriterFactory& factory = mdbFactory();
        if (!factory) {
            setError(error, Status::unsupported("Access database files (.mdb) cannot be written by this build."));
            return nullptr;
        }
        Status status;
        auto writer = factory(path, &status);
        if (!writer && status.isOk())
            status = Status::ioError("Could not create the database " + path);
        setError(error, writer ? Status::ok() : std::move(status));
        return writer;
    }
    auto sink = openFileSink(path, error);
    if (!sink)
        return nullptr;
    return makeTextListWriter(format, std::move(sink));
}

std::string seriesWriteFailureText(const std::string& path, const Status& status)
{
    return path + " could not be written. " + status.message() +
           "\r\nFiles finished before this one are complete; no earlier file of this name was replaced.";
}

std::string seriesSortFailureText(const std::string& path, const Status& status)
{
    return path + " could not be sorted. " + status.message() + "\r\nIt is kept as it was written, unsorted.";
}

void registerMdbListWriterFactory(MdbListWriterFactory factory) { mdbFactory() = std::move(factory); }

} // namespace quorlix
