#pragma once
// Where an import writes its numbered record lines ("%04d: text"). False from
// writeLine means the log failed (it has shown its message) and the run stops.

namespace lisotrex {

class RecordLog {
public:
    virtual ~RecordLog() = default;
    virtual bool writeLine(int number, int stringId) = 0;
};

// For runs without a log.
class NullRecordLog : public RecordLog {
public:
    bool writeLine(int, int) override { return true; }
};

} // namespace lisotrex
