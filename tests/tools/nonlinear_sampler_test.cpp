// The non-linear sampler's surfaces: the values its edge cases name, every family and form
// against mpmath, and the buttons "Power" and "Exponential" each showing its own shape.
#include <gtest/gtest.h>

#include <cmath>

#include "support/long_double_near.h"
#include "tools/nonlinear_sampler.h"

namespace {

long double Sample(int family, int form, bool inverted, long double x, long double y) {
  return EvalNLSample(NLSampleCode(family, form, inverted), x, y);
}

TEST(NonlinearSamplerTest, CodesHoldFamilyFormAndInversion) {
  EXPECT_EQ(NLSampleCode(0, 0, false), 0);
  EXPECT_EQ(NLSampleCode(13, 5, true), (13 << 8) + 5 + 32768);
}

// The figures the sampler has always shown.
TEST(NonlinearSamplerTest, KnownFiguresOfTheGaussianAndTheForms) {
  EXPECT_LD_NEAR(Sample(0, 0, false, 55, 45), 100.0L, 1e-16L);
  // 100 exp(-1/2), mpmath: 60.65306597126334236037995
  EXPECT_LD_NEAR(Sample(0, 0, false, 75, 45), 60.65306597126334236037995L, 1e-16L);
  EXPECT_LD_NEAR(Sample(0, 3, false, 55, 45), 130.0L, 1e-16L);  // additive + synergy at the peak
  EXPECT_LD_NEAR(Sample(0, 4, false, 55, 45), 70.0L, 1e-16L);
  EXPECT_LD_NEAR(Sample(0, 5, false, 55, 45.9L), 142.5L, 1e-16L);  // 20 + 100 + 0.5 trunc(45.9)
  EXPECT_LD_NEAR(Sample(0, 0, true, 55, 45), 0.0L, 1e-16L);        // inverted peak
  // The inverted power shape keeps fx = 1 at its reference and is not turned over.
  EXPECT_LD_NEAR(Sample(kNLSamplePowerShape, 5, true, 55, 10), 20 + 100 + 5.0L, 1e-16L);
  EXPECT_LD_NEAR(Sample(kNLSamplePowerShape, 5, false, 55, 10), 20 + 100 + 5.0L, 1e-16L);
  // A family beyond the last gives 0.
  EXPECT_EQ(EvalNLSample((14 << 8), 55, 45), 0.0L);
}

// Each family's label is its shape: "Power" (u/c)^p grows from 0, "Exponential" exp(-u/w)
// falls from 1.
TEST(NonlinearSamplerTest, PowerAndExponentialButtonsShowTheirOwnShapes) {
  const auto indexOf = [](int id) {
    for (const TNLSampleChoice& f : kNLSampleFamilies)
      if (f.id == id) return f.index;
    return -1;
  };
  const int power = indexOf(213);
  const int exponential = indexOf(214);
  EXPECT_EQ(std::string(kNLSampleFamilies[12].label), "Power");
  EXPECT_EQ(std::string(kNLSampleFamilies[13].label), "Exponential");
  // Power, Fn in One Var at y = 0: 20 + 100 (x/55)^1.5.
  EXPECT_LD_NEAR(Sample(power, 5, false, 0, 0), 20.0L, 1e-16L);
  EXPECT_LD_NEAR(Sample(power, 5, false, 110, 0), 20 + 100 * std::pow(2.0L, 1.5L), 1e-15L);
  // Exponential: 20 + 100 exp(-x/40).
  EXPECT_LD_NEAR(Sample(exponential, 5, false, 0, 0), 120.0L, 1e-16L);
  EXPECT_LD_NEAR(Sample(exponential, 5, false, 40, 0), 20 + 100 * std::exp(-1.0L), 1e-15L);
  EXPECT_LT(Sample(exponential, 0, false, 80, 45), Sample(exponential, 0, false, 20, 45));
  EXPECT_GT(Sample(power, 0, false, 80, 45), Sample(power, 0, false, 20, 45));
}

// Every family in every form at (30, 62.5), and inverted at (70, 20): mpmath at 30 digits
// (tests/tools/nonlinear_sampler_reference.py prints these rows).
TEST(NonlinearSamplerTest, EveryFamilyAndFormAgreesWithMpmath) {
  struct Row {
    int family, form;
    bool inverted;
    long double x, y, z;
  };
  const Row rows[] = {
    {0, 0, false, 30.0, 62.5, 23.1817337554703241063906L},
    {0, 1, false, 30.0, 62.5, 42.67476175926629070898344L},
    {0, 2, false, 30.0, 62.5, 47.7234263722208802212725L},
    {0, 3, false, 30.0, 62.5, 54.67794649886197745318968L},
    {0, 4, false, 30.0, 62.5, 40.76890624557978298935532L},
    {0, 5, false, 30.0, 62.5, 96.78333617716142609021468L},
    {0, 0, true, 70.0, 20.0, 81.17790779714658753656832L},
    {1, 0, false, 30.0, 62.5, 23.34891178276591389779627L},
    {1, 1, false, 30.0, 62.5, 42.34752698952088840488673L},
    {1, 2, false, 30.0, 62.5, 48.01869413931909667735553L},
    {1, 3, false, 30.0, 62.5, 55.02336767414887084669441L},
    {1, 4, false, 30.0, 62.5, 41.01402060448932250801665L},
    {1, 5, false, 30.0, 62.5, 97.69782356553182779559255L},
    {1, 0, true, 70.0, 20.0, 76.69176929764756656679823L},
    {2, 0, false, 30.0, 62.5, 15.73398758262913128983109L},
    {2, 1, false, 30.0, 62.5, 28.32347457621789400132023L},
    {2, 2, false, 30.0, 62.5, 38.99021061011393536243713L},
    {2, 3, false, 30.0, 62.5, 43.71040688490267474938646L},
    {2, 4, false, 30.0, 62.5, 34.2700143353251959754878L},
    {2, 5, false, 30.0, 62.5, 80.88659699993965421829097L},
    {2, 0, true, 70.0, 20.0, 98.34416542428409491575744L},
    {3, 0, false, 30.0, 62.5, 23.18506601216824766260683L},
    {3, 1, false, 30.0, 62.5, 42.48687812294493510651715L},
    {3, 2, false, 30.0, 62.5, 47.75366632357824533253386L},
    {3, 3, false, 30.0, 62.5, 54.70918612722871963131591L},
    {3, 4, false, 30.0, 62.5, 40.79814651992777103375181L},
    {3, 5, false, 30.0, 62.5, 96.95498382285569120409842L},
    {3, 0, true, 70.0, 20.0, 79.27708264525157131975526L},
    {4, 0, false, 30.0, 62.5, 15.1560399816222253845594L},
    {4, 1, false, 30.0, 62.5, 23.64249359665024575202338L},
    {4, 2, false, 30.0, 62.5, 39.14651344848248995890081L},
    {4, 3, false, 30.0, 62.5, 43.69332544296915757426863L},
    {4, 4, false, 30.0, 62.5, 34.59970145399582234353299L},
    {4, 5, false, 30.0, 62.5, 76.28735618368823957441067L},
    {4, 0, true, 70.0, 20.0, 95.83395217663521195810152L},
    {5, 0, false, 30.0, 62.5, 24.10292623493559569126852L},
    {5, 1, false, 30.0, 62.5, 24.10292623493559569126852L},
    {5, 2, false, 30.0, 62.5, 48.52825411644699848559135L},
    {5, 3, false, 30.0, 62.5, 55.75913198692767719297191L},
    {5, 4, false, 30.0, 62.5, 41.2973762459663197782108L},
    {5, 5, false, 30.0, 62.5, 96.78333617716142609021468L},
    {5, 0, true, 70.0, 20.0, 98.48677621978259082871967L},
    {6, 0, false, 30.0, 62.5, 9.279510109709246689864527L},
    {6, 1, false, 30.0, 62.5, 6.826768959933794043245672L},
    {6, 2, false, 30.0, 62.5, 41.47208623703606518850653L},
    {6, 3, false, 30.0, 62.5, 44.25593926994883919546589L},
    {6, 4, false, 30.0, 62.5, 38.68823320412329118154717L},
    {6, 5, false, 30.0, 62.5, 61.56497736668552576887728L},
    {6, 0, true, 70.0, 20.0, 96.30402487319311349760324L},
    {7, 0, false, 30.0, 62.5, 17.96108923093905254206212L},
    {7, 1, false, 30.0, 62.5, 14.33844673952906777324139L},
    {7, 2, false, 30.0, 62.5, 44.3688713847512420336497L},
    {7, 3, false, 30.0, 62.5, 49.75719815403295779626833L},
    {7, 4, false, 30.0, 62.5, 38.98054461546952627103106L},
    {7, 5, false, 30.0, 62.5, 74.94811897458540338941616L},
    {7, 0, true, 70.0, 20.0, 86.75261377922700320187634L},
    {8, 0, false, 30.0, 62.5, 3.323330225989555050066149L},
    {8, 1, false, 30.0, 62.5, 2.186748453921276182066029L},
    {8, 2, false, 30.0, 62.5, 35.86752927622633163692532L},
    {8, 3, false, 30.0, 62.5, 36.86452834402319815194516L},
    {8, 4, false, 30.0, 62.5, 34.87053020842946512190547L},
    {8, 5, false, 30.0, 62.5, 54.96986039605653057273881L},
    {8, 0, true, 70.0, 20.0, 99.89352845018468767101538L},
    {9, 0, false, 30.0, 62.5, 9.931332976232420165149465L},
    {9, 1, false, 30.0, 62.5, 7.407656246098214888526176L},
    {9, 2, false, 30.0, 62.5, 41.6536087233156751375879L},
    {9, 3, false, 30.0, 62.5, 44.63300861618540118713274L},
    {9, 4, false, 30.0, 62.5, 38.67420883044594908804306L},
    {9, 5, false, 30.0, 62.5, 62.41352307925098943131094L},
    {9, 0, true, 70.0, 20.0, 95.20634801695628631668968L},
    {10, 0, false, 30.0, 62.5, 1.880605079023574236605298L},
    {10, 1, false, 30.0, 62.5, 1.286065214608170910862757L},
    {10, 2, false, 30.0, 62.5, 31.2508336047653107787885L},
    {10, 3, false, 30.0, 62.5, 31.81501512847238304977009L},
    {10, 4, false, 30.0, 62.5, 30.68665208105823850780691L},
    {10, 5, false, 30.0, 62.5, 53.53000475426870043213137L},
    {10, 0, true, 70.0, 20.0, 99.78300767373345942429998L},
    {11, 0, false, 30.0, 62.5, 8.58207997538931915286243L},
    {11, 1, false, 30.0, 62.5, 6.21463557234044717830087L},
    {11, 2, false, 30.0, 62.5, 39.94644562776113003102885L},
    {11, 3, false, 30.0, 62.5, 42.52106962037792577688757L},
    {11, 4, false, 30.0, 62.5, 37.37182163514433428517012L},
    {11, 5, false, 30.0, 62.5, 61.13704827176422706772141L},
    {11, 0, true, 70.0, 20.0, 98.9764872811601219726184L},
    {12, 0, false, 30.0, 62.5, 5.881647164242989084183769L},
    {12, 1, false, 30.0, 62.5, 9.901340836382630210299228L},
    {12, 2, false, 30.0, 62.5, 33.32257202222580192666609L},
    {12, 3, false, 30.0, 62.5, 35.08706617149869865192122L},
    {12, 4, false, 30.0, 62.5, 31.55807787295290520141096L},
    {12, 5, false, 30.0, 62.5, 98.23665527410147071380466L},
    {12, 0, true, 70.0, 20.0, 91.07814825907398987574082L},
    {13, 0, false, 30.0, 62.5, 84.36061378105465674857556L},
    {13, 1, false, 30.0, 62.5, 48.79932778650105071921806L},
    {13, 2, false, 30.0, 62.5, 107.9355541980729244208157L},
    {13, 3, false, 30.0, 62.5, 133.2437383323893214453884L},
    {13, 4, false, 30.0, 62.5, 82.62737006375652739624302L},
    {13, 5, false, 30.0, 62.5, 91.28448795687253071302422L},
    {13, 0, true, 70.0, 20.0, 81.90265935617309888196122L},
  };
  for (const Row& r : rows) {
    const long double z = Sample(r.family, r.form, r.inverted, r.x, r.y);
    EXPECT_LD_NEAR(z, r.z, 4e-18L * std::max(1.0L, std::fabs(r.z)))
        << r.family << " " << r.form << " " << r.inverted;
  }
}

}  // namespace
