#ifndef ZOLSAX2RECORDSWITCH_H
#define ZOLSAX2RECORDSWITCH_H

#include <ZOLLog.h>
#include <ZOLString.h>

#include <string>
#include <utility>
#include <vector>

// The validator's records on their way to the caller's log. Passes every record on, except
// while a schema is loaded for the cache: then it only counts them, since a schema that logs
// anything is not cached and each document reports its problems itself. A problem that
// loading alone finds with no place in any entity (the full constraint check's, such as a
// violation of unique particle attribution) the reader reports again within each document,
// at the document's position: this switch then gives it the schema's location data instead,
// as where the problem is. Internal to the library.
class ZOLSAX2RecordSwitch : public ZOLLog {
public:
    explicit ZOLSAX2RecordSwitch(ZOLLog* log) : log(log) {}

    void logEvent(const ZOLLogEvent& event) override;

    // Starts counting the records of loading schemas, forgetting those of earlier loads.
    void startLoading();
    // Ends counting; answers how many records the load gave.
    unsigned long stopLoading();
    // Forgets the records of the last load: the schemas changed, or caching is off.
    void forgetLoad() { unplaced.clear(); }
    // Names the schema whose records come next while loading.
    void setLoading(const ZOLString& location) { loading = location; }

    // True when the caller's log threw since the last clearThrown(): what it throws is its
    // own, and reaches the caller unchanged.
    bool hasThrown() const noexcept { return thrown; }
    void clearThrown() noexcept { thrown = false; }

private:
    // The reader's message of a record, without the position the catalogue puts in front.
    static std::string messageOf(const ZOLLogEvent& event);
    // Passes event on, noting whether the caller's log threw.
    void pass(const ZOLLogEvent& event);

    ZOLLog* log;
    bool counting = false;
    unsigned long counted = 0;
    bool thrown = false;
    // The location of the schema being loaded while counting.
    ZOLString loading;
    // The messages of the last load's records that had no entity, and the schema each
    // came from.
    std::vector<std::pair<std::string, ZOLString>> unplaced;
};

#endif
