// The singleton manager: a process-wide list of registered objects.
//
// The list is made on first use and never destroyed, so objects with static
// storage in any library may register and release themselves during static
// construction and destruction in whatever order those run.
#include <algorithm>
#include <mutex>
#include <vector>

#include "kernel/VexKernel.h"

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<singleton_interface*> objects;  // in registration order
};

Registry& registry() {
    static Registry* instance = new Registry;  // reachable, never destroyed
    return *instance;
}

}  // namespace

namespace singleton {

void Manage(singleton_interface* object) {
    if (object == nullptr) {
        return;
    }
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (std::find(r.objects.begin(), r.objects.end(), object) == r.objects.end()) {
        r.objects.push_back(object);
    }
}

void Release(singleton_interface* object) {
    if (object == nullptr) {
        return;
    }
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.objects.erase(std::remove(r.objects.begin(), r.objects.end(), object), r.objects.end());
    }
    // Outside the lock: releasing may register or release other objects.
    object->release();
}

void ReleaseAll() {
    std::vector<singleton_interface*> objects;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        objects.swap(r.objects);
    }
    for (auto it = objects.rbegin(); it != objects.rend(); ++it) {
        (*it)->release();
    }
}

}  // namespace singleton
