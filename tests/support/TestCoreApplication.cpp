#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

// One QCoreApplication for the whole test binary: an event loop for the queued signals of threads,
// without any window system.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<QCoreApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[11] = "mivra_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const applicationEnvironment
    = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace
