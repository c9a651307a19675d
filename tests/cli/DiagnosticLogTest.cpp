// Records of the tool: the position taken out of the catalogue texts and the severity
// derived from the outcome of the parse.
#include <DiagnosticLog.h>
#include <SourceNames.h>

#include <ZOLException.h>
#include <ZOLLogEvent.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using zolsax2::DiagnosticLog;

void logReader(DiagnosticLog& log, const char* text)
{
    log.logEvent(ZOLLogEvent(text, "ZSAX_W0001", ZOLLogEvent::LEVEL_WARNING, ""));
}

std::string printed(const DiagnosticLog& log)
{
    std::string out;
    log.print(out, zolsax2::SourceNames("f.xml"));
    return out;
}

} // namespace

TEST(DiagnosticLog, FailedParseEndsWithTheFatalRecordAndTheFailure)
{
    DiagnosticLog log;
    logReader(log, "(1:2): a remark");
    logReader(log, "(4:7): entity refused");
    logReader(log, "(4:7): the stop");
    log.settleParse(true);
    log.addException(ZOLException("[ZSAX_F0004] Xerces XMLException: gone"));
    EXPECT_EQ(printed(log), "f.xml:1:2: warning: a remark [ZSAX_W0001]\n"
                            "f.xml:4:7: error: entity refused [ZSAX_W0001]\n"
                            "f.xml:4:7: fatal: the stop [ZSAX_W0001]\n"
                            "f.xml: fatal: Xerces XMLException: gone [ZSAX_F0004]\n");
}

TEST(DiagnosticLog, OneRecordOneLineWithTheNamesTheUserGave)
{
    DiagnosticLog log;
    logReader(log, "(1:1): unable to open '/abs/in\nput.xml' or \"/abs/in\nput.xml\"; /abs/in\nput.xml\x1b");
    log.addException(ZOLException("broken\r\nreader"));
    zolsax2::SourceNames names("in\nput.xml");
    names.add("/abs/in\nput.xml", "in\nput.xml");
    std::string out;
    log.print(out, names);
    EXPECT_EQ(out, "in\\nput.xml:1:1: warning: unable to open 'in\\nput.xml' or \"in\\nput.xml\"; "
                   "/abs/in\\nput.xml\\x1b [ZSAX_W0001]\n"
                   "in\\nput.xml: fatal: broken\\r\\nreader\n");
}

TEST(DiagnosticLog, FailedValidationTakesSeveritiesFromThePlainParse)
{
    DiagnosticLog plain;
    logReader(plain, "(2:1): dtd remark");
    logReader(plain, "(9:3): not well-formed");
    plain.settleParse(true);
    DiagnosticLog log;
    logReader(log, "(2:1): dtd remark");
    logReader(log, "(5:5): not valid");
    logReader(log, "(9:3): not well-formed");
    log.settleValidation(false, plain);
    EXPECT_EQ(printed(log), "f.xml:2:1: warning: dtd remark [ZSAX_W0001]\n"
                            "f.xml:5:5: error: not valid [ZSAX_W0001]\n"
                            "f.xml:9:3: fatal: not well-formed [ZSAX_W0001]\n");
}

TEST(DiagnosticLog, PassedValidationHasWarningsOnly)
{
    DiagnosticLog plain;
    logReader(plain, "(9:3): not well-formed");
    plain.settleParse(true);
    DiagnosticLog log;
    logReader(log, "(9:3): not well-formed");
    log.settleValidation(true, plain);
    EXPECT_EQ(printed(log), "f.xml:9:3: warning: not well-formed [ZSAX_W0001]\n");
}
