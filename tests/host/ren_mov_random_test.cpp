// The randomized series model through the module, as the host calls it (wide file branch).
// TF_RANDOM_ROUNDS sets the number of operations (default 1000), TF_RANDOM_SEED the seed.
#include <gtest/gtest.h>

#include "support/series_model.h"
#include "support/support.h"

using namespace tftest;

TEST(RenMovRandom, EveryOperationMatchesTheModelAndLosesNoFile) {
    const Module& module = Module::Get();
    SeriesOperations operations{};
    operations.init = module.Fn<decltype(operations.init)>("FsInitW");
    operations.renMov = module.Fn<decltype(operations.renMov)>("FsRenMovFileW");
    operations.get = module.Fn<decltype(operations.get)>("FsGetFileW");
    ASSERT_TRUE(operations.init != nullptr && operations.renMov != nullptr && operations.get != nullptr);
    RunSeriesModel(operations, 1000);
}
