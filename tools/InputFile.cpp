#include "InputFile.h"

#include "DiagnosticLog.h"
#include "Escape.h"
#include "SystemError.h"

#include <ZOLException.h>
#include <ZOLFile.h>
#include <ZOLSAX2Parser.h>
#include <ZOLString.h>
#include <ZSAX.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace zolsax2 {

namespace {

std::string reason(int error)
{
    return SystemError::reason(error);
}

const std::string standardInputName = "<stdin>";

} // namespace

InputFile::InputFile(const std::string& name)
    : name(name), standardInput(name == "-"), sourceNames(standardInput ? standardInputName : name)
{
    if (standardInput) {
        // The reader's names for standard input and for text parsed from memory.
        sourceNames.add("stdin", standardInputName);
        sourceNames.add("memory", standardInputName);
        // A closed standard input is an input that cannot be read, not an empty one.
        if (::fcntl(STDIN_FILENO, F_GETFD) < 0)
            why = "cannot read: " + reason(errno);
        std::error_code error;
        const std::filesystem::path here = std::filesystem::current_path(error);
        standardInputId = error ? std::string("stdin") : (here / "stdin").string();
        sourceNames.add(standardInputId, standardInputName);
        return;
    }
    // Non-blocking, so that a FIFO without a writer cannot stop the run here.
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        why = "cannot read: " + reason(errno);
        return;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        why = "cannot read: " + reason(S_ISDIR(status.st_mode) ? EISDIR : errno);
        ::close(fd);
        return;
    }
    if (S_ISREG(status.st_mode))
        bytes = static_cast<std::uintmax_t>(status.st_size);
    if (Escape::isUtf8(name)) {
        ::close(fd);
        libraryPath = name;
    } else {
        descriptor = fd;
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        libraryPath = "/proc/self/fd/" + std::to_string(fd);
        if (::access(libraryPath.c_str(), R_OK) != 0)
            why = "cannot read: the name is not UTF-8 and /proc/self/fd is not available";
    }
    // The reader names a local file by its absolute path.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(libraryPath, ec);
    if (!ec) {
        sourceNames.add(absolute.string(), name);
        sourceNames.add(absolute.lexically_normal().string(), name);
    }
}

InputFile::~InputFile()
{
    if (descriptor >= 0)
        ::close(descriptor);
    if (!spoolPath.empty())
        ::unlink(spoolPath.c_str());
}

bool InputFile::spool(std::istream& in)
{
    const char* directory = std::getenv("TMPDIR");
    std::string pattern =
        std::string(directory != nullptr && *directory != '\0' ? directory : "/tmp") + "/zolsax2-stdin-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        why = "cannot spool standard input: " + reason(errno);
        return false;
    }
    spoolPath = pattern;
    char buffer[65536];
    int error = 0;
    while (error == 0 && in.read(buffer, sizeof buffer).gcount() > 0) {
        for (std::streamsize done = 0, count = in.gcount(); done < count;) {
            const ssize_t written = ::write(fd, buffer + done, static_cast<std::size_t>(count - done));
            if (written < 0 && errno != EINTR) {
                error = errno;
                break;
            }
            done += written < 0 ? 0 : written;
        }
    }
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        why = "cannot spool standard input: " + reason(error);
        return false;
    }
    libraryPath = spoolPath;
    struct stat status {};
    if (::stat(spoolPath.c_str(), &status) == 0)
        bytes = static_cast<std::uintmax_t>(status.st_size);
    sourceNames.add(spoolPath, standardInputName);
    return true;
}

long InputFile::readStream(void* stream, char* buffer, unsigned long size)
{
    auto& in = *static_cast<std::istream*>(stream);
    in.read(buffer, static_cast<std::streamsize>(size));
    if (in.bad())
        return -1;
    return static_cast<long>(in.gcount());
}

bool InputFile::parse(ZOLSAX2Parser& parser, DiagnosticLog& log, std::istream& in) const
{
    log.clear();
    if (!why.empty()) {
        log.addProblem(why);
        return false;
    }
    try {
        if (!standardInput || !spoolPath.empty()) {
            parser.parseFile(ZOLFile(libraryPath.c_str()));
        } else if (&in == &std::cin) {
            parser.parseStdIn();
        } else {
            const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            ZOLString string;
            string.init(text.data(), static_cast<long>(text.size()));
            parser.parseString(string);
        }
    } catch (const ZOLException& e) {
        if (DiagnosticLog::codeOf(e) != ZSAX::XML_PARSE_FAILED.getMessageCode().chars())
            log.addException(e);
        return false;
    } catch (const std::bad_alloc&) {
        log.addProblem("out of memory");
        return false;
    } catch (const std::exception& e) {
        log.addProblem(e.what());
        return false;
    }
    return true;
}

} // namespace zolsax2
