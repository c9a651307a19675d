// Records of the tool: the position taken out of the catalogue texts and the severity
// derived from the outcome of the parse.
#include <DiagnosticLog.h>

#include <ZOLException.h>
#include <ZOLLogEvent.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using zolsax2::DiagnosticLog;

void logReader(DiagnosticLog& log, const char* text)
{
    log.logEvent(ZOLLogEvent(text, "ZSAX_W0001", ZOLLogEvent::LEVEL_WARNING, ""));
}

std::string printed(const DiagnosticLog& log)
{
    std::ostringstream out;
    log.print(out, "f.xml");
    return out.str();
}

} // namespace

TEST(DiagnosticLog, FailedParseEndsWithTheFatalRecordAndTheFailure)
{
    DiagnosticLog log;
    logReader(log, "(1:2): a remark");
    logReader(log, "(4:7): entity refused");
    logReader(log, "(4:7): the stop");
    log.settleParse(true);
    log.addException(ZOLException("[ZSAX_F0005] Failed to parse XML file: /abs/f.xml"));
    EXPECT_EQ(printed(log), "f.xml:1:2: warning: a remark [ZSAX_W0001]\n"
                            "f.xml:4:7: error: entity refused [ZSAX_W0001]\n"
                            "f.xml:4:7: fatal: the stop [ZSAX_W0001]\n"
                            "f.xml: fatal: Failed to parse XML file: /abs/f.xml [ZSAX_F0005]\n");
}

TEST(DiagnosticLog, ExceptionWithoutCodeAndLineBreaksStayOneLine)
{
    DiagnosticLog log;
    log.addException(ZOLException("broken\r\nreader"));
    EXPECT_EQ(printed(log), "f.xml: fatal: broken  reader\n");
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
