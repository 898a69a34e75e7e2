#include "output/ListWriter.h"

#include <cstring>
#include <utility>
#include <vector>

#include "output/Maker.h"
#include "output/SlipWriter.h"
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
        if (bytes.empty())
            return; // an empty field may have no data pointer, which memcpy must not get
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

// Appends text with every double quote doubled, as a quoted CSV field needs.
void putQuoted(Buffered& out, std::string_view text)
{
    std::size_t from = 0;
    for (std::size_t q = text.find('"'); q != std::string_view::npos; q = text.find('"', q + 1)) {
        out.put(text.substr(from, q + 1 - from));
        out.put("\"");
        from = q + 1;
    }
    out.put(text.substr(from));
}

// Appends text with the characters a browser would read as markup written as references.
void putHtml(Buffered& out, std::string_view text)
{
    std::size_t from = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* ref = c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : nullptr;
        if (ref) {
            out.put(text.substr(from, i - from));
            out.put(ref);
            from = i + 1;
        }
    }
    out.put(text.substr(from));
}

// The text formats differ only in their opening lines, the lines of one
// password and their closing lines.
class TextListWriter : public ListWriter {
public:
    explicit TextListWriter(std::unique_ptr<ByteSink> sink) : m_out(std::move(sink)) {}

    void begin() override { writeHead(); }
    void add(std::string_view password) override { writeRow(ListRow{password}); }
    void addRow(const ListRow& row) override { writeRow(row); }
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
    virtual void writeRow(const ListRow& row) = 0;
    virtual void writeTail() {}
    Buffered m_out;

private:
    bool m_done = false;
};

class TxtWriter final : public TextListWriter {
public:
    TxtWriter(std::unique_ptr<ByteSink> sink, bool names) : TextListWriter(std::move(sink)), m_names(names) {}

protected:
    void writeRow(const ListRow& row) override
    {
        if (m_names) {
            // "Last, First", or whichever name there is; a person known only
            // by a user name is shown by it.
            if (!row.lastName.empty())
                m_out.put(row.lastName);
            if (!row.lastName.empty() && !row.firstName.empty())
                m_out.put(", ");
            m_out.put(row.firstName);
            if (row.lastName.empty() && row.firstName.empty())
                m_out.put(row.userName);
            m_out.put("\t");
        }
        m_out.line(row.password);
    }

private:
    bool m_names;
};

class CsvWriter final : public TextListWriter {
public:
    CsvWriter(std::unique_ptr<ByteSink> sink, bool hashColumn)
        : TextListWriter(std::move(sink)), m_hashColumn(hashColumn)
    {
    }

protected:
    void writeHead() override
    {
        m_out.put("\"Quorlix\"\r\n"
                  "\"Password List\"\r\n"
                  "\"\"\r\n"
                  "\"Last Name\",\"First Name\",\"Password\"");
        m_out.put(m_hashColumn ? ",\"Hash\"\r\n" : "\r\n");
    }
    void writeRow(const ListRow& row) override
    {
        // A quote inside a field is doubled, or a reader would end the field there.
        m_out.put("\"");
        putQuoted(m_out, row.lastName);
        m_out.put("\",\"");
        putQuoted(m_out, row.firstName);
        m_out.put("\",\"");
        putQuoted(m_out, row.password);
        if (m_hashColumn) {
            m_out.put("\",\"");
            m_out.put(row.hash);
        }
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

private:
    bool m_hashColumn;
};

// chpasswd and newusers read one "user:password" per line and end a line at
// LF alone: a CR would become part of the password.
class ChpasswdWriter final : public TextListWriter {
public:
    using TextListWriter::TextListWriter;

protected:
    void writeRow(const ListRow& row) override
    {
        m_out.put(row.userName);
        m_out.put(":");
        m_out.put(row.hash.empty() ? row.password : row.hash);
        m_out.put("\n");
    }
};

// The plain CSV that password managers import: one header row, then one
// entry per password, every field quoted, CR LF line ends. KeePassXC maps
// title, username, password and notes by name; Bitwarden's import reads only
// its own column names (name, login_username, ...), so it gets those.
class ManagerCsvWriter final : public TextListWriter {
public:
    ManagerCsvWriter(std::unique_ptr<ByteSink> sink, std::string note, bool bitwarden)
        : TextListWriter(std::move(sink)), m_note(std::move(note)), m_bitwarden(bitwarden)
    {
    }

protected:
    void writeHead() override
    {
        m_out.put(m_bitwarden ? "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,"
                                "login_password,login_totp\r\n"
                              : "title,username,password,notes\r\n");
    }
    void writeRow(const ListRow& row) override
    {
        ++m_rows;
        m_out.put(m_bitwarden ? "\"\",\"\",\"login\",\"" : "\"");
        // The entry's title: the person's name as spoken, else the user name,
        // else a number, so that entries are told apart in the manager.
        if (!row.firstName.empty() || !row.lastName.empty()) {
            putQuoted(m_out, row.firstName);
            if (!row.firstName.empty() && !row.lastName.empty())
                m_out.put(" ");
            putQuoted(m_out, row.lastName);
        } else if (!row.userName.empty()) {
            putQuoted(m_out, row.userName);
        } else {
            m_out.put("Password " + std::to_string(m_rows));
        }
        if (m_bitwarden) {
            m_out.put("\",\"");
            putQuoted(m_out, m_note);
            m_out.put("\",\"\",\"\",\"\",\"");
        } else {
            m_out.put("\",\"");
        }
        putQuoted(m_out, row.userName);
        m_out.put("\",\"");
        putQuoted(m_out, row.password);
        m_out.put("\",\"");
        if (!m_bitwarden)
            putQuoted(m_out, m_note);
        m_out.put("\"\r\n");
    }

private:
    std::string m_note;
    bool m_bitwarden;
    std::size_t m_rows = 0;
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
    void writeRow(const ListRow& row) override
    {
        for (std::string_view name : {row.lastName, row.firstName}) {
            if (name.empty()) {
                m_out.put(kEmptyCell);
            } else {
                m_out.put(kCellOpen);
                putHtml(m_out, name);
                m_out.put("</B></FONT></TD>\r\n");
            }
        }
        m_out.put(kCellOpen);
        putHtml(m_out, row.password);
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
    std::string tail(name.substr(name.size() - std::min<std::size_t>(name.size(), 9)));
    for (char& c : tail)
        c = upper(c);
    if (tail == ".CHPASSWD")
        return ListFormat::Chpasswd;
    tail.erase(0, tail.size() - 3);
    if (tail == "TXT")
        return ListFormat::Txt;
    if (tail == "CSV")
        return ListFormat::Csv;
    if (tail == "HTM")
        return ListFormat::Htm;
    if (tail == "MDB")
        return ListFormat::Mdb;
    if (tail == "PDF")
        return ListFormat::Pdf;
    return std::nullopt;
}

namespace {
constexpr ListFormat kAllFormats[] = {ListFormat::Txt, ListFormat::Csv,      ListFormat::Htm,       ListFormat::Mdb,
                                      ListFormat::Pdf, ListFormat::Chpasswd, ListFormat::ManagerCsv,
                                      ListFormat::BitwardenCsv};
} // namespace

std::optional<ListFormat> formatFromName(std::string_view name)
{
    for (ListFormat f : kAllFormats)
        if (nameOf(f) == name)
            return f;
    return std::nullopt;
}

std::string_view nameOf(ListFormat format)
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
    case ListFormat::Pdf:
        return "pdf";
    case ListFormat::Chpasswd:
        return "chpasswd";
    case ListFormat::ManagerCsv:
        return "manager-csv";
    case ListFormat::BitwardenCsv:
        return "bitwarden-csv";
    }
    return "txt";
}

std::string_view extensionOf(ListFormat format)
{
    return format == ListFormat::ManagerCsv || format == ListFormat::BitwardenCsv ? "csv" : nameOf(format);
}

std::unique_ptr<ListWriter> makeTextListWriter(ListFormat format, std::unique_ptr<ByteSink> sink,
                                               const HandOut& handOut)
{
    switch (format) {
    case ListFormat::Txt:
        return std::make_unique<TxtWriter>(std::move(sink), handOut.namesInText);
    case ListFormat::Csv:
        return std::make_unique<CsvWriter>(std::move(sink), handOut.hash.has_value());
    case ListFormat::Htm:
        return std::make_unique<HtmWriter>(std::move(sink));
    case ListFormat::Chpasswd:
        return std::make_unique<ChpasswdWriter>(std::move(sink));
    case ListFormat::ManagerCsv:
    case ListFormat::BitwardenCsv:
        return std::make_unique<ManagerCsvWriter>(std::move(sink), handOut.note,
                                                  format == ListFormat::BitwardenCsv);
    case ListFormat::Mdb:
    case ListFormat::Pdf:
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

Status checkHandOut(ListFormat format, const HandOut& handOut)
{
    if (format == ListFormat::Chpasswd && !handOut.hasUserNames())
        return Status::invalidArgument("A list for chpasswd needs user names: a roster with a user-name column, or "
                                       "a user-name prefix (pupil makes pupil001, pupil002, ...).");
    if (handOut.hash && format != ListFormat::Csv && format != ListFormat::Mdb && format != ListFormat::Chpasswd)
        return Status::invalidArgument("Only CSV, MDB and chpasswd lists carry password hashes; " +
                                       std::string(nameOf(format)) + " lists have none.");
    if (format == ListFormat::Pdf && !isSlipsPerPageChoice(handOut.slips.perPage))
        return Status::invalidArgument("Slips come 1, 4, 8 or 10 to a page, not " +
                                       std::to_string(handOut.slips.perPage) + ".");
    return Status::ok();
}

std::unique_ptr<ListWriter> openListFile(const std::string& path, ListFormat format, Status* error)
{
    return openHandOutList(path, format, HandOut{}, error);
}

std::unique_ptr<ListWriter> openHandOutList(const std::string& path, ListFormat format, const HandOut& handOut,
                                            Status* error)
{
    if (Status s = checkHandOut(format, handOut); !s) {
        setError(error, std::move(s));
        return nullptr;
    }
    std::unique_ptr<ListWriter> writer;
    if (format == ListFormat::Mdb) {
        const MdbListWriterFactory& factory = mdbFactory();
        if (!factory) {
            setError(error, Status::unsupported("Access database files (.mdb) cannot be written by this build."));
            return nullptr;
        }
        Status status;
        writer = factory(path, handOut, &status);
        if (!writer && status.isOk())
            status = Status::ioError("Could not create the database " + path);
        if (!writer) {
            setError(error, std::move(status));
            return nullptr;
        }
        setError(error, Status::ok());
    } else if (format == ListFormat::Pdf) {
        writer = openSlipFile(path, handOut, error);
    } else {
        auto sink = openFileSink(path, error);
        if (!sink)
            return nullptr;
        writer = makeTextListWriter(format, std::move(sink), handOut);
    }
    if (!writer || handOut.isPlain())
        return writer;
    return pairWithPeople(std::move(writer), handOut);
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
