#pragma once

#include <chrono>
#include <optional>

struct sqlite3;

// How long a call of the settings store (UserDefaults, ConversationTable)
// waits for a file that another connection holds locked.
//
// Without a limit a call waits up to `defaultWait` (5 s) each time it meets
// the lock, as it always has: right for a worker thread, far too long for
// the GUI thread. While an object of this class lives, the calls made on its
// thread wait only until its deadline, `limit` (100 ms unless told
// otherwise) after its construction, in all: for the file, and for another
// thread of this program that is using the same store. A call that gives up
// fails as busy: a read gives StoredValue::isBusy(), a write returns false,
// and busy() on this object says that a call under it failed for that reason
// (not for another, such as a full disk or a damaged file). Other threads
// wait as before.
//
// Meant for one operation on the GUI thread, made just before it:
//
//     StoreWaitLimit wait;
//     if (!UserDefaults::standard().setObjects(values) && wait.busy())
//         ... keep the values and write them once the file is free ...
//
// Limits nest; the earlier deadline holds.
class StoreWaitLimit
{
public:
    static constexpr std::chrono::milliseconds defaultWait { 5000 };
    static constexpr std::chrono::milliseconds guiThreadLimit { 100 };

    explicit StoreWaitLimit(std::chrono::milliseconds limit = guiThreadLimit);
    ~StoreWaitLimit();
    StoreWaitLimit(const StoreWaitLimit &) = delete;
    StoreWaitLimit &operator=(const StoreWaitLimit &) = delete;

    // Whether a call made under this limit failed because the file (or the
    // store, in another thread) was busy.
    bool busy() const { return m_busy; }

    // For the store: the deadline of this thread's innermost limit, if any.
    static std::optional<std::chrono::steady_clock::time_point> deadline();
    // For the store: a call failed because the file was busy.
    static void noteBusy();
    // For the store: has the connection wait for a locked file as above.
    static void install(sqlite3 *db);

private:
    static int waitWhileBusy(void *, int attempt);

    std::chrono::steady_clock::time_point m_deadline;
    StoreWaitLimit *m_outer;
    bool m_busy = false;
};
