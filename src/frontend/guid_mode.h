// The persisted GUID mode: the registry value "FakeGuids" that /fakeguids sets for the run and
// that is removed again at its end unless it was there before.
#pragma once

namespace frontend {

// Reads the value: both the mode flag and the was-on flag become (value is "1").
void ReadPersistedGuidMode();
// Writes "1" and reads it back; the mode is on only when both succeed.
void PersistFakeGuidMode();
// Removes the value when this run set it.
void CleanUpGuidMode();

}  // namespace frontend
