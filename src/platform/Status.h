#pragma once
// A cheap result value: a category for code to branch on and a sentence for the
// person in front of the program (message box in the GUI, stderr in the CLI).

#include <string>
#include <utility>

namespace quorlix
{

class Status
{
public:
    enum class Code {
        Ok,
        InvalidArgument, // a typed value or option that cannot be used
        InvalidFileName, // a path that names no usable file
        NotFound,        // a file, table or field that is not there
        IoError,         // reading or writing failed
        Corruption,      // a file whose contents are not what they claim
        TooLarge,        // a file format limit would be passed
        Unsupported,     // a feature of a file we do not handle
        Cancelled,       // the user stopped the operation
    };

    Status() = default;
    static Status ok() { return {}; }
    static Status invalidArgument(std::string msg) { return {Code::InvalidArgument, std::move(msg)}; }
    static Status invalidFileName(std::string msg) { return {Code::InvalidFileName, std::move(msg)}; }
    static Status notFound(std::string msg) { return {Code::NotFound, std::move(msg)}; }
    static Status ioError(std::string msg) { return {Code::IoError, std::move(msg)}; }
    static Status corruption(std::string msg) { return {Code::Corruption, std::move(msg)}; }
    static Status tooLarge(std::string msg) { return {Code::TooLarge, std::move(msg)}; }
    static Status unsupported(std::string msg) { return {Code::Unsupported, std::move(msg)}; }
    static Status cancelled(std::string msg = "Cancelled") { return {Code::Cancelled, std::move(msg)}; }

    bool isOk() const { return m_code == Code::Ok; }
    explicit operator bool() const { return isOk(); }
    Code code() const { return m_code; }
    const std::string& message() const { return m_message; }

private:
    Status(Code code, std::string msg) : m_code(code), m_message(std::move(msg)) {}
    Code m_code = Code::Ok;
    std::string m_message;
};

} // namespace quorlix
