#include "common/refresher_count.h"

#include "common/sfx_mutex.h"

int refresher_count(int delta) {
    static SFXMutex guard;
    static int count = 0;
    SFXLock hold(guard);
    count += delta;
    return count;
}
