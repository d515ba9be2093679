#include "Golden.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace druvex::test
{

namespace
{
std::string goldenPath(const std::string& name)
{
    return std::string(DRUVEX_GOLDEN_DIR) + "/" + name + ".f32";
}

bool updating()
{
    const char* flag = std::getenv("DRUVEX_UPDATE_GOLDEN");
    return flag != nullptr && std::string(flag) == "1";
}
} // namespace

::testing::AssertionResult matchesGolden(const std::string& name, const std::vector<float>& samples,
                                         float tolerance)
{
    const auto path = goldenPath(name);

    if (updating())
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * sizeof(float)));
        if (!out)
            return ::testing::AssertionFailure() << "could not write " << path;
        return ::testing::AssertionSuccess();
    }

    std::ifstream in(path, std::ios::binary);
    if (!in)
        return ::testing::AssertionFailure()
               << "no reference " << path << " (create it with DRUVEX_UPDATE_GOLDEN=1)";

    std::vector<float> reference;
    float value = 0.0f;
    while (in.read(reinterpret_cast<char*>(&value), sizeof(value)))
        reference.push_back(value);

    if (reference.size() != samples.size())
        return ::testing::AssertionFailure()
               << name << ": " << samples.size() << " samples rendered, reference has " << reference.size();

    float worst = 0.0f;
    size_t worstIndex = 0;
    for (size_t i = 0; i < samples.size(); ++i)
    {
        const float diff = std::isfinite(samples[i]) ? std::abs(samples[i] - reference[i]) : INFINITY;
        if (diff > worst)
        {
            worst = diff;
            worstIndex = i;
        }
    }

    if (worst > tolerance)
        return ::testing::AssertionFailure() << name << ": sample " << worstIndex << " differs by " << worst
                                             << " (rendered " << samples[worstIndex] << ", reference "
                                             << reference[worstIndex] << ", tolerance " << tolerance << ")";
    return ::testing::AssertionSuccess();
}

} // namespace druvex::test
