// No command opens a network resource without --net: a listener on 127.0.0.1 that documents
// name by http URL must see no connection, with and without --secure; resources the test
// catalog maps are read from their local files.

#include "TestSupport.h"
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

using tooltest::Result;
using tooltest::runTool;

namespace {

const std::string catalogDir = ZOLSAX2_CATALOG_DIR;

// A listening socket on a free port of 127.0.0.1 that never accepts: a connection attempt
// stays pending, which connected() sees.
class Listener {
public:
    Listener()
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 64) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no listener");
        port = ntohs(address.sin_port);
    }
    ~Listener() { close(fd); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    std::string url(const std::string& name) const { return "http://127.0.0.1:" + std::to_string(port) + "/" + name; }
    // True when some connection waits to be accepted.
    bool connected() const
    {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, 0) > 0;
    }

private:
    int fd = -1;
    int port = 0;
};

} // namespace

TEST(ToolNetwork, NoCommandOpensAnHttpResourceWithoutNet)
{
    const Listener listener;
    testsupport::ScratchDir dir;
    const std::string entity =
        dir.write("entity.xml", "<!DOCTYPE doc [<!ENTITY e SYSTEM '" + listener.url("e.ent") + "'>]><doc>&e;</doc>");
    const std::string dtd = dir.write("dtd.xml", "<!DOCTYPE doc SYSTEM '" + listener.url("doc.dtd") + "'><doc/>");
    const std::string hint =
        dir.write("hint.xml", "<n:doc xmlns:n='urn:x' xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' "
                              "xsi:schemaLocation='urn:x " +
                                  listener.url("x.xsd") + "'/>");
    const std::string schema =
        dir.write("s.xsd", "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'><xs:element name='doc'/>"
                           "<xs:import namespace='urn:x' schemaLocation='" +
                               listener.url("x.xsd") + "'/></xs:schema>");
    std::string outcomes;
    for (const char* secure : {"", "--secure"}) {
        for (const char* command : {"check", "events", "count"}) {
            std::vector<std::string> args = {command, "--load-dtd", entity, dtd};
            if (*secure != 0)
                args.push_back(secure);
            const Result r = runTool(args);
            outcomes += std::string(command) + secure + "=" + std::to_string(r.status) + " ";
        }
        std::vector<std::string> args = {"validate", "--dtd", "--follow-hints", "--schema", "", schema, entity,
                                         dtd,        hint};
        if (*secure != 0)
            args.push_back(secure);
        outcomes += std::string("validate") + secure + "=" + std::to_string(runTool(args).status) + " ";
    }
    EXPECT_EQ("check=1 events=1 count=1 validate=1 check--secure=1 events--secure=1 count--secure=1 "
              "validate--secure=1 ",
              outcomes);
    EXPECT_FALSE(listener.connected());
    // The record names the resource and the way out.
    const Result r = runTool({"check", entity});
    EXPECT_NE(std::string::npos,
              r.out.find("not fetched: " + listener.url("e.ent") + "; map it with a catalog or pass --net"))
        << r.out;
}

TEST(ToolNetwork, ResourcesTheCatalogMapsAreReadLocally)
{
    testsupport::ScratchDir dir;
    const std::string document = dir.write(
        "doc.xml", "<!DOCTYPE doc [<!ENTITY ch SYSTEM 'http://example.com/ent/chapter.ent'>]><doc>&ch;</doc>");
    const std::string catalog = catalogDir + "/resources.xml";
    for (const char* secure : {"", "--secure"}) {
        std::vector<std::string> args = {"events", "--catalog", catalog, document};
        if (*secure != 0)
            args.push_back(secure);
        const Result r = runTool(args);
        EXPECT_EQ(0, r.status) << secure << r.err;
        EXPECT_NE(std::string::npos, r.out.find("Chapter text")) << secure << r.out;
    }
    EXPECT_EQ(1, runTool({"events", "--no-catalogs", document}).status);
}
