#pragma once
// Copying patients of the older release into patient slots of the current
// database. A copy reads every row of its source patient first, and only
// then empties the slot and writes the patient and examinations anew; the
// examinations get new identifiers from the counter. The patient's birthday
// becomes the conversion date and the sex "not set", and each examination
// is given the stage name of its stage number, as the converter always did.
//
// A conversion of several mappings is one transaction on the main database:
// the slots' deletes, the new rows and the counter advance together, or,
// after any failure, not at all. The user is told which mapping failed.

#include "converter/source_databases.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mox::convert {

// The stage name of a stage number (TComType 1..4); empty for any other.
QString StageNameOf(int64_t commentId);

// Source patient number (1..10) into target patient number (1..30).
void CopyPatientA(int32_t sourceId, int32_t targetId);
void CopyPatientB(int32_t sourceId, int32_t targetId);

struct PatientMapping {
    SourceDb source;
    int32_t sourceId;
    int32_t targetId;
};
// "A-1 → 3", as the window shows a mapping.
QString MappingText(const PatientMapping& mapping);

struct ConversionFailure {
    PatientMapping mapping;
    Failure failure;
};

// The statements of a conversion, for the failure seam of the tests.
enum class CopyStep { ReadSource, DeleteExams, DeletePatient, AddPatient, NewIdentifier, AddExam, Commit };
// Called before each statement; a test throws from it to fail that
// statement, or ends the process there.
using CopyStepHook = std::function<void(CopyStep)>;

// Carries out the mappings in their order; nothing when all went through,
// else the mapping that failed and why, with the main database as before.
std::optional<ConversionFailure> ConvertPatients(const std::vector<PatientMapping>& mappings,
                                                 const CopyStepHook& step = {});

}  // namespace mox::convert
