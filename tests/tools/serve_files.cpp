// serve_files: a small HTTP file server on the loopback address, so the
// dictionary download can be tried end to end without the network.
//   serve_files FOLDER SECONDS
// Prints the port it listens on (127.0.0.1, chosen by the system) as the first
// line of standard output, answers GET and HEAD with the files below FOLDER,
// one connection at a time, and ends by itself after SECONDS.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool sendAll(int fd, const std::string& data)
{
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void answer(int fd, const std::string& status, const std::string& body, bool withBody)
{
    std::string reply = "HTTP/1.0 " + status + "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                        std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
    if (withBody)
        reply += body;
    sendAll(fd, reply);
}

// Only plain relative paths: no "..", no percent escapes, no query.
bool safePath(const std::string& path)
{
    if (path.size() < 2 || path[0] != '/' || path.find_first_of("%?#\\") != std::string::npos)
        return false;
    for (const auto& part : fs::path(path.substr(1)))
        if (part == ".." || part == ".")
            return false;
    return true;
}

void serveOne(int fd, const fs::path& root)
{
    // A client that says nothing does not hold the server up for long.
    timeval wait{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    std::istringstream line(request.substr(0, request.find("\r\n")));
    std::string method, target;
    line >> method >> target;
    std::string status;
    std::string body;
    if (method != "GET" && method != "HEAD") {
        status = "405 Method Not Allowed";
    } else if (!safePath(target)) {
        status = "400 Bad Request";
    } else {
        const fs::path file = root / target.substr(1);
        std::ifstream in(file, std::ios::binary);
        if (fs::is_regular_file(file) && in) {
            body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            status = "200 OK";
        } else {
            status = "404 Not Found";
        }
    }
    std::fprintf(stderr, "serve_files: %s %s %s\n", method.c_str(), target.c_str(), status.c_str());
    answer(fd, status, status.starts_with("200") ? body : status + "\n", method == "GET");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: serve_files FOLDER SECONDS\n");
        return 2;
    }
    const fs::path root = argv[1];
    const long seconds = std::strtol(argv[2], nullptr, 10);
    if (!fs::is_directory(root) || seconds < 1) {
        std::fprintf(stderr, "serve_files: need a folder and a number of seconds\n");
        return 2;
    }

    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (server < 0 || ::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 8) != 0 || ::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("serve_files");
        return 1;
    }
    std::printf("%u\n", static_cast<unsigned>(ntohs(address.sin_port)));
    std::fflush(stdout);

    const auto end = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0)
            break;
        pollfd ready{server, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left)) <= 0)
            continue;
        const int client = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        serveOne(client, root);
        ::close(client);
    }
    ::close(server);
    return 0;
}
