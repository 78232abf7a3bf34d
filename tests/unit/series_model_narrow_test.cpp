// The randomized series model through the plugin's code on the narrow file branch, which asks
// for every member one by one. TF_RANDOM_ROUNDS and TF_RANDOM_SEED as for the wide branch.
#include <gtest/gtest.h>

#include "host/exports.h"
#include "host/file_access.h"
#include "host/state.h"
#include "support/series_model.h"

using namespace tftest;

TEST(RenMovRandomNarrow, EveryOperationMatchesTheModelAndLosesNoFile) {
    const unsigned char mode = tf::g_state.platformMode;
    tf::g_state.platformMode = tf::kPlatformNarrow;
    SeriesOperations operations{};
    operations.init = reinterpret_cast<decltype(operations.init)>(&FsInitW);
    operations.renMov = reinterpret_cast<decltype(operations.renMov)>(&FsRenMovFileW);
    operations.get = reinterpret_cast<decltype(operations.get)>(&FsGetFileW);
    RunSeriesModel(operations, 300);
    tf::g_state.platformMode = mode;
}
