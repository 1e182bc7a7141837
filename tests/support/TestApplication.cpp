#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

// One QApplication for the whole test binary, made before the first test and destroyed
// before the program's static objects are. Fonts, widgets and the PDF writer need it.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { m_app = std::make_unique<QApplication>(m_argc, m_argv); }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[11] = "mivra_test";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const applicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

} // namespace
