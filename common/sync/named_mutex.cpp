#include "common/sync/named_mutex.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kw {

// Layout of the shared-memory object. The magic is written last, after the mutex is
// initialised, so that a program that sees it may use the mutex at once.
struct NamedMutex::Shared {
    std::uint32_t magic;
    std::uint32_t version;
    pthread_mutex_t mutex;
};

namespace {

constexpr std::uint32_t kMagic = 0x4b574d58; // "KWMX"
constexpr std::uint32_t kVersion = 1;

std::string sharedMemoryName(const std::string& name) {
    const char* space = std::getenv("KONTROLLWERK_MUTEX_NAMESPACE");
    if (space && *space && !std::strchr(space, '/')) {
        return std::string("/kontrollwerk.") + space + "." + name;
    }
    return "/kontrollwerk." + name;
}

// Opens the object, creating it when missing. An existing object is opened without O_CREAT
// first: with fs.protected_regular=2 an O_CREAT open of an object that another user created
// fails even for root.
int openSharedObject(const std::string& shmName) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = shm_open(shmName.c_str(), O_RDWR, 0);
        if (fd >= 0 || errno != ENOENT) {
            return fd;
        }
        fd = shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) {
            fchmod(fd, 0666); // the umask must not keep other users out
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
        // Another program created it between our two opens: open it as existing.
    }
    return -1;
}

bool initialiseMutex(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0) {
        return false;
    }
    const bool ok = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
                    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
                    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE) == 0 &&
                    pthread_mutex_init(mutex, &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    return ok;
}

// Maps the object and initialises it once. The flock serialises first-time initialisation
// between programs that start at the same moment.
NamedMutex::Shared* mapShared(int fd) {
    if (flock(fd, LOCK_EX) != 0) {
        return nullptr;
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0;
    if (ok && info.st_size < static_cast<off_t>(sizeof(NamedMutex::Shared))) {
        ok = ftruncate(fd, sizeof(NamedMutex::Shared)) == 0;
    }
    void* memory = MAP_FAILED;
    if (ok) {
        memory =
            mmap(nullptr, sizeof(NamedMutex::Shared), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    auto* shared = memory == MAP_FAILED ? nullptr : static_cast<NamedMutex::Shared*>(memory);
    if (shared && (shared->magic != kMagic || shared->version != kVersion)) {
        if (initialiseMutex(&shared->mutex)) {
            shared->version = kVersion;
            __atomic_store_n(&shared->magic, kMagic, __ATOMIC_RELEASE);
        } else {
            munmap(memory, sizeof(NamedMutex::Shared));
            shared = nullptr;
        }
    }
    flock(fd, LOCK_UN);
    return shared;
}

} // namespace

NamedMutex::NamedMutex(const std::string& name) : m_name(name) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return;
    }
    const int fd = openSharedObject(sharedMemoryName(name));
    if (fd < 0) {
        return;
    }
    m_shared = mapShared(fd);
    close(fd); // the mapping keeps the object
}

NamedMutex::~NamedMutex() {
    if (m_shared) {
        munmap(m_shared, sizeof(Shared));
    }
}

WaitResult NamedMutex::finishWait(int result) {
    switch (result) {
    case 0:
        return WaitResult::Acquired;
    case EOWNERDEAD:
        // The owner died holding it. Marking it consistent at once keeps it usable; without
        // this it would turn unrecoverable when we unlock.
        pthread_mutex_consistent(&m_shared->mutex);
        return WaitResult::Abandoned;
    case ETIMEDOUT:
    case EBUSY:
        return WaitResult::Timeout;
    default:
        return WaitResult::Failed;
    }
}

WaitResult NamedMutex::lock(std::chrono::milliseconds timeout) {
    if (!m_shared) {
        return WaitResult::Failed;
    }
    if (timeout.count() <= 0) {
        return finishWait(pthread_mutex_trylock(&m_shared->mutex));
    }
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const auto ms = timeout.count();
    deadline.tv_sec += ms / 1000;
    deadline.tv_nsec += (ms % 1000) * 1000000;
    if (deadline.tv_nsec >= 1000000000) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000;
    }
    return finishWait(pthread_mutex_clocklock(&m_shared->mutex, CLOCK_MONOTONIC, &deadline));
}

WaitResult NamedMutex::lock() {
    if (!m_shared) {
        return WaitResult::Failed;
    }
    return finishWait(pthread_mutex_lock(&m_shared->mutex));
}

bool NamedMutex::unlock() {
    return m_shared && pthread_mutex_unlock(&m_shared->mutex) == 0;
}

void NamedMutex::removeTestName(const std::string& name) {
    shm_unlink(sharedMemoryName(name).c_str());
}

NamedMutex& NamedMutex::shared(const std::string& name) {
    // Never destroyed: a bus word in another static object's destructor may still need it.
    static auto* guard = new std::mutex;
    static auto* mutexes = new std::map<std::string, std::unique_ptr<NamedMutex>>;
    const std::lock_guard lock(*guard);
    // Keyed by the shared-memory name, so that a changed namespace gives another mutex.
    auto& slot = (*mutexes)[sharedMemoryName(name)];
    if (!slot) {
        slot = std::make_unique<NamedMutex>(name);
    }
    return *slot;
}

} // namespace kw
