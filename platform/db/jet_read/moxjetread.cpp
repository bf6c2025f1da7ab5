// moxjetread PARENT-PID [TABLE...]: reads the Access file on its standard
// input and writes its tables as frames on its standard output (see
// platform/db/jet_frames.h), the tables named first before the others. The
// programs start it for every Access file a user hands them, so that a file
// that makes mdbtools crash, loop or wait on a dead medium only ends this
// process: it holds nothing of theirs (no lock, no database), and the
// kernel ends it as soon as the program that started it ends.

#include "platform/db/jet_read/file_reader.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

using namespace mox::db::jet;

int main(int argc, char** argv) {
    // Started by a program that may die at any moment: the kernel is asked
    // to end this one with it, and a parent that died before the request
    // (this process then belongs to another) is seen at once.
    if (argc < 2 || ::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) return kExitStartRefused;
    if (std::to_string(::getppid()) != argv[1]) return kExitStartRefused;
    std::signal(SIGPIPE, SIG_DFL);

    // The pipe leaves descriptor 1 for the library's messages.
    const int pipeFd = ::fcntl(kPipeDescriptor, F_DUPFD_CLOEXEC, 3);
    if (pipeFd < 0) return kExitStartRefused;
    FrameWriter out(pipeFd);
    // Its thread lives until the process ends: a runaway library is told
    // from there.
    LibraryMessages said;
    std::vector<std::string> first(argv + 2, argv + argc);
    try {
        if (!said.Start([&out](const std::string& why) { out.FailAndExit({kDamaged, why}); }))
            throw Failed{kUnreadable, std::string("the library's messages cannot be kept: ") + std::strerror(errno)};
        // Files of the older release are Japanese: Jet 3 text is Shift-JIS.
        ::setenv("MDB_JET3_CHARSET", "CP932", 1);
        MdbHandle* mdb = mdb_open("/dev/fd/0", MDB_NOFLAGS);
        if (!mdb) throw Failed{kDamaged, "mdb_open refused the file"};
        FileReader reader(mdb, out, said);
        reader.Run(first);
        std::string notes;
        PutText(notes, reader.Notes());
        out.Put(kDone, notes);
        out.Flush();
    } catch (const Failed& failed) {
        out.FailAndExit(failed);
    } catch (const std::exception& e) {
        // A length read from damaged bytes can ask for more memory than
        // there is.
        out.FailAndExit({kDamaged, std::string("the reader failed: ") + e.what()});
    } catch (...) {
        out.FailAndExit({kDamaged, "the reader failed"});
    }
    ::_exit(0);  // the thread that drains the library's messages still runs
}
