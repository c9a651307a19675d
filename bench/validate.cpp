// The library's validator on many files: zolbench-validate [--jobs N] [--uncached] NAMESPACE
// SCHEMA FILE...
//
// N threads (1 by default) take the files in turn, each with a ZOLSAX2Validator of its own,
// with schema caching on unless --uncached. Once all are done, every file's records
// ("FILE:LINE:COLUMN: TEXT") and its verdict ("FILE validates" / "FILE fails to validate")
// are printed in the order of the arguments, as the zolsax2 tool does.

#include <ZOLFile.h>
#include <ZOLLog.h>
#include <ZOLLogEvent.h>
#include <ZOLSAX2Validator.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Appends each record, prefixed with the file, to the text of the file being validated.
class TextLog : public ZOLLog {
public:
    void logEvent(const ZOLLogEvent& event) override
    {
        *text += file;
        *text += ": ";
        *text += event.getText().chars();
        *text += '\n';
    }

    const char* file = "";
    std::string* text = nullptr;
};

struct Job {
    const char* targetNamespace;
    const char* schema;
    bool caching;
    std::vector<const char*> files;
    std::vector<std::string> outputs;
    std::vector<char> failed;
    std::atomic<std::size_t> next{0};
};

void work(Job& job)
{
    TextLog log;
    ZOLSAX2Validator validator(&log);
    validator.setSchemaCaching(job.caching);
    validator.addSchemaLocation(job.targetNamespace, job.schema);
    for (std::size_t i; (i = job.next.fetch_add(1)) < job.files.size();) {
        log.file = job.files[i];
        log.text = &job.outputs[i];
        const bool valid = validator.validate(ZOLFile(job.files[i]));
        job.failed[i] = valid ? 0 : 1;
        *log.text += job.files[i];
        *log.text += valid ? " validates\n" : " fails to validate\n";
    }
}

} // namespace

int main(int argc, char** argv)
{
    int jobs = 1;
    bool caching = true;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-'; ++arg) {
        if (std::strcmp(argv[arg], "--jobs") == 0 && arg + 1 < argc)
            jobs = std::atoi(argv[++arg]);
        else if (std::strcmp(argv[arg], "--uncached") == 0)
            caching = false;
        else
            break;
    }
    if (argc - arg < 2 || jobs < 1) {
        std::fprintf(stderr, "usage: zolbench-validate [--jobs N] [--uncached] NAMESPACE SCHEMA FILE...\n");
        return 2;
    }
    Job job;
    job.targetNamespace = argv[arg];
    job.schema = argv[arg + 1];
    job.caching = caching;
    job.files.assign(argv + arg + 2, argv + argc);
    job.outputs.resize(job.files.size());
    job.failed.resize(job.files.size());
    std::vector<std::thread> threads;
    for (int t = 1; t < jobs; ++t)
        threads.emplace_back(work, std::ref(job));
    work(job);
    for (std::thread& thread : threads)
        thread.join();
    int failures = 0;
    for (std::size_t i = 0; i < job.files.size(); ++i) {
        std::fputs(job.outputs[i].c_str(), stdout);
        failures += job.failed[i];
    }
    return failures == 0 ? 0 : 1;
}
