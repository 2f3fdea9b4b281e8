// The clips: small pictures with transparency to decorate a collage — hearts, stars, flowers,
// balloons, speech bubbles, arrows, frames, ribbons, sparkles and party things. Each is shaded
// with gradients, outlined, glossed and given a soft shadow.
#include "catalog.h"

#include <cmath>
#include <functional>

#include "paint.h"

namespace pictavia {

namespace assets {

namespace {

const TColor32 kShadow = Rgba(0, 0, 0, 70);

// A filled, outlined, glossy shape with a soft shadow: the house style of the clips.
void Sticker(TBitmap32& b, const Shape& s, TColor32 light, TColor32 dark, TColor32 outline, Vec top,
             Vec bottom, bool gloss = true) {
  Shadow(b, s, {4, 6}, 10, kShadow);
  Fill(b, s, LinearGradient(top, bottom, light, dark));
  Fill(b, Outline(s, 2.5), Solid(outline));
  if (gloss) {
    // Light from above: a highlight fading out by the middle of the shape.
    const double mid = (top.y + bottom.y) / 2;
    const Shape upperHalf = [mid](Vec p) { return p.y - mid; };
    Gloss(b, Intersect(s, upperHalf), top, {top.x, mid}, 120);
  }
}

void New(Asset& a, int w, int h) {
  a.Picture->SetSize(w, h);
  a.Picture->Clear(0x00000000);
}

using Draw = std::function<void(TBitmap32&)>;

struct ClipDef {
  const char* Name;
  int W, H;
  Draw Paint;
};

Shape Petals(Vec c, int count, double length, double width, double turn) {
  std::vector<Shape> petals;
  for (int i = 0; i < count; ++i) {
    const double a = turn + i * 2 * kPi / count;
    const Vec tip{c.x + std::cos(a) * length * 0.55, c.y + std::sin(a) * length * 0.55};
    petals.push_back(Rotate(Ellipse(tip, length * 0.5, width), tip, a));
  }
  return Union(std::move(petals));
}

void Flower(TBitmap32& b, Vec c, double size, TColor32 light, TColor32 dark, TColor32 centre,
            int count) {
  const Shape petals = Petals(c, count, size, size * 0.28, -kPi / 2);
  Shadow(b, petals, {3, 5}, 9, kShadow);
  Fill(b, petals, RadialGradient(c, size, light, dark));
  Fill(b, Outline(petals, 2), Solid(Mix(dark, 0xFF000000, 0.35)));
  const Shape heart = Circle(c, size * 0.26);
  Fill(b, heart,
       RadialGradient({c.x - size * 0.08, c.y - size * 0.08}, size * 0.3,
                      Mix(centre, 0xFFFFFFFF, 0.4), centre));
  Fill(b, Outline(heart, 2), Solid(Mix(centre, 0xFF000000, 0.4)));
}

void Balloon(TBitmap32& b, Vec c, double r, TColor32 colour) {
  const Shape body = Union(Ellipse(c, r * 0.86, r), Polygon({{c.x - r * 0.12, c.y + r * 0.97},
                                                             {c.x + r * 0.12, c.y + r * 0.97},
                                                             {c.x, c.y + r * 1.1}}));
  // The string first, so the balloon covers its knot.
  std::vector<Shape> string;
  Vec prev{c.x, c.y + r * 1.08};
  for (int i = 1; i <= 12; ++i) {
    const Vec next{c.x + std::sin(i * 0.9) * 6, c.y + r * 1.08 + i * r * 0.1};
    string.push_back(Capsule(prev, next, 1.0));
    prev = next;
  }
  Fill(b, Union(std::move(string)), Solid(Rgba(90, 90, 90, 230)));
  Shadow(b, body, {4, 6}, 10, kShadow);
  Fill(b, body,
       RadialGradient({c.x - r * 0.35, c.y - r * 0.4}, r * 1.7, Mix(colour, 0xFFFFFFFF, 0.45),
                      Mix(colour, 0xFF000000, 0.35)));
  Fill(b, Ellipse({c.x - r * 0.35, c.y - r * 0.45}, r * 0.16, r * 0.26),
       Solid(Rgba(255, 255, 255, 150)), 6);
}

Shape Arrow(Vec from, Vec to, double shaft, double head) {
  const Vec d = to - from;
  const double len = Length(d);
  const Vec u = d * (1 / len), n{-u.y, u.x};
  const Vec neck = to - u * head * 1.1;
  return Polygon({from + n * shaft, neck + n * shaft, neck + n * head, to, neck - n * head,
                  neck - n * shaft, from - n * shaft});
}

Shape SparkleShape(Vec c, double r) {
  // A four-pointed star with concave sides.
  return Star(c, 4, r, r * 0.22);
}

std::vector<ClipDef> Clips() {
  std::vector<ClipDef> d;
  d.push_back({"heart_red", 220, 200, [](TBitmap32& b) {
                 Sticker(b, Heart({110, 100}, 92), Rgba(255, 90, 110), Rgba(200, 10, 40),
                         Rgba(130, 0, 25), {110, 20}, {110, 190});
               }});
  d.push_back(
      {"heart_pink_outline", 220, 200, [](TBitmap32& b) {
         const Shape ring = Outline(Heart({110, 100}, 85), 16);
         Shadow(b, ring, {3, 5}, 8, kShadow);
         Fill(b, ring,
              LinearGradient({110, 20}, {110, 190}, Rgba(255, 170, 205), Rgba(235, 80, 150)));
         Fill(b, Outline(ring, 2), Solid(Rgba(170, 30, 100)));
       }});
  d.push_back({"hearts_trio", 260, 200, [](TBitmap32& b) {
                 Sticker(b, Heart({80, 120}, 55), Rgba(255, 150, 180), Rgba(220, 60, 120),
                         Rgba(150, 20, 80), {80, 70}, {80, 175});
                 Sticker(b, Heart({175, 105}, 70), Rgba(255, 90, 110), Rgba(200, 10, 40),
                         Rgba(130, 0, 25), {175, 40}, {175, 175});
                 Sticker(b, Heart({125, 55}, 35), Rgba(255, 200, 120), Rgba(240, 130, 40),
                         Rgba(160, 80, 10), {125, 25}, {125, 90});
               }});
  d.push_back({"star_gold", 220, 220, [](TBitmap32& b) {
                 Sticker(b, Star({110, 116}, 5, 100, 42), Rgba(255, 236, 120), Rgba(230, 150, 10),
                         Rgba(150, 90, 0), {110, 15}, {110, 210});
               }});
  d.push_back({"star_blue", 220, 220, [](TBitmap32& b) {
                 Sticker(b, Star({110, 114}, 6, 98, 55), Rgba(140, 210, 255), Rgba(30, 100, 220),
                         Rgba(10, 50, 140), {110, 15}, {110, 210});
               }});
  d.push_back(
      {"stars_scattered", 260, 200, [](TBitmap32& b) {
         const Vec spots[] = {{50, 60}, {140, 40}, {210, 90}, {90, 140}, {180, 160}};
         const double sizes[] = {34, 26, 40, 30, 22};
         const TColor32 colours[] = {Rgba(255, 220, 80), Rgba(255, 140, 180), Rgba(120, 200, 255),
                                     Rgba(170, 240, 140), Rgba(255, 170, 90)};
         for (int i = 0; i < 5; ++i)
           Sticker(b, Star(spots[i], 5, sizes[i], sizes[i] * 0.42, i * 0.3), colours[i],
                   Mix(colours[i], 0xFF000000, 0.3), Mix(colours[i], 0xFF000000, 0.55),
                   {spots[i].x, spots[i].y - sizes[i]}, {spots[i].x, spots[i].y + sizes[i]});
       }});
  d.push_back({"flower_daisy", 220, 220, [](TBitmap32& b) {
                 Flower(b, {110, 110}, 100, Rgba(255, 255, 255), Rgba(225, 225, 240),
                        Rgba(255, 200, 30), 14);
               }});
  d.push_back({"flower_pink", 220, 220, [](TBitmap32& b) {
                 Flower(b, {110, 110}, 100, Rgba(255, 200, 225), Rgba(235, 90, 160),
                        Rgba(255, 230, 120), 5);
               }});
  d.push_back(
      {"flower_purple", 220, 220, [](TBitmap32& b) {
         Flower(b, {110, 110}, 98, Rgba(215, 185, 255), Rgba(120, 60, 200), Rgba(255, 210, 60), 8);
       }});
  d.push_back({"balloon_red", 160, 300, [](TBitmap32& b) {
                 Balloon(b, {80, 90}, 70, Rgba(230, 30, 50));
               }});
  d.push_back({"balloons_bunch", 280, 320, [](TBitmap32& b) {
                 Balloon(b, {80, 100}, 58, Rgba(40, 140, 240));
                 Balloon(b, {200, 95}, 58, Rgba(250, 190, 30));
                 Balloon(b, {140, 75}, 64, Rgba(235, 40, 90));
               }});
  d.push_back({"speech_bubble", 280, 200, [](TBitmap32& b) {
                 const Shape s = Union(RoundedBox({140, 80}, 125, 68, 34),
                                       Polygon({{70, 130}, {120, 140}, {45, 190}}));
                 Sticker(b, s, Rgba(255, 255, 255), Rgba(232, 238, 248), Rgba(60, 70, 90),
                         {140, 12}, {140, 190}, false);
               }});
  d.push_back({"thought_bubble", 280, 220, [](TBitmap32& b) {
                 Shape cloud = Union({Circle({80, 85}, 50), Circle({140, 65}, 58),
                                      Circle({200, 85}, 50), Circle({110, 120}, 45),
                                      Circle({175, 120}, 45), RoundedBox({140, 100}, 95, 30, 30)});
                 cloud = Union({cloud, Circle({70, 170}, 14), Circle({45, 200}, 8)});
                 Sticker(b, cloud, Rgba(255, 255, 255), Rgba(230, 236, 246), Rgba(60, 70, 90),
                         {140, 10}, {140, 210}, false);
               }});
  d.push_back({"arrow_right", 260, 140, [](TBitmap32& b) {
                 Sticker(b, Arrow({20, 70}, {240, 70}, 22, 52), Rgba(255, 140, 60),
                         Rgba(220, 70, 20), Rgba(130, 40, 0), {130, 15}, {130, 125});
               }});
  d.push_back({"arrow_curved", 240, 220, [](TBitmap32& b) {
                 std::vector<Shape> parts;
                 Vec prev{40, 180};
                 for (int i = 1; i <= 20; ++i) {
                   const double t = i / 20.0;
                   const Vec next{40 + 140 * t, 180 - 150 * std::sin(t * kPi / 2) + 20 * t * t};
                   parts.push_back(Capsule(prev, next, 12));
                   prev = next;
                 }
                 parts.push_back(Polygon({{150, 20}, {225, 60}, {160, 100}}));
                 Sticker(b, Union(std::move(parts)), Rgba(110, 220, 140), Rgba(30, 150, 70),
                         Rgba(10, 90, 40), {120, 15}, {120, 200});
               }});
  d.push_back(
      {"frame_gold", 300, 240, [](TBitmap32& b) {
         const Shape ring =
             Subtract(RoundedBox({150, 120}, 140, 110, 18), RoundedBox({150, 120}, 112, 82, 8));
         Shadow(b, ring, {3, 5}, 8, kShadow);
         Fill(b, ring,
              LinearGradient({10, 10}, {290, 230}, Rgba(255, 232, 140), Rgba(190, 130, 20)));
         Fill(b, Outline(ring, 2), Solid(Rgba(120, 80, 0)));
         Fill(b, Outline(RoundedBox({150, 120}, 126, 96, 12), 2), Solid(Rgba(255, 245, 200, 200)));
       }});
  d.push_back(
      {"frame_flowers", 300, 300, [](TBitmap32& b) {
         const Shape ring = Outline(Circle({150, 150}, 118), 16);
         Fill(b, ring,
              LinearGradient({150, 20}, {150, 280}, Rgba(150, 215, 120), Rgba(60, 140, 60)));
         Fill(b, Outline(ring, 1.5), Solid(Rgba(30, 90, 30)));
         const TColor32 colours[] = {Rgba(255, 150, 190), Rgba(255, 230, 110), Rgba(190, 160, 255)};
         for (int i = 0; i < 8; ++i) {
           const double a = i * kPi / 4;
           Flower(b, {150 + 118 * std::cos(a), 150 + 118 * std::sin(a)}, 30, 0xFFFFFFFF,
                  colours[i % 3], Rgba(255, 200, 40), 6);
         }
       }});
  d.push_back(
      {"ribbon_banner", 320, 140, [](TBitmap32& b) {
         const Shape left = Polygon({{10, 50}, {70, 50}, {70, 110}, {10, 110}, {30, 80}});
         const Shape right = Polygon({{310, 50}, {250, 50}, {250, 110}, {310, 110}, {290, 80}});
         Sticker(b, Union(left, right), Rgba(200, 30, 60), Rgba(140, 10, 35), Rgba(90, 0, 20),
                 {160, 50}, {160, 110}, false);
         Sticker(b, RoundedBox({160, 65}, 115, 35, 4), Rgba(250, 70, 90), Rgba(200, 20, 50),
                 Rgba(110, 0, 25), {160, 30}, {160, 100});
       }});
  d.push_back({"ribbon_bow", 260, 200, [](TBitmap32& b) {
                 const Shape loops = Union(Rotate(Ellipse({80, 80}, 62, 40), {80, 80}, -0.35),
                                           Rotate(Ellipse({180, 80}, 62, 40), {180, 80}, 0.35));
                 const Shape tails =
                     Union(Polygon({{118, 95}, {140, 100}, {95, 185}, {70, 170}}),
                           Polygon({{142, 95}, {120, 100}, {165, 185}, {190, 170}}));
                 Sticker(b, tails, Rgba(120, 170, 255), Rgba(40, 90, 210), Rgba(20, 50, 140),
                         {130, 90}, {130, 190}, false);
                 Sticker(b, loops, Rgba(140, 190, 255), Rgba(40, 90, 210), Rgba(20, 50, 140),
                         {130, 30}, {130, 125});
                 Sticker(b, RoundedBox({130, 88}, 20, 22, 8), Rgba(120, 170, 255),
                         Rgba(30, 80, 200), Rgba(20, 50, 140), {130, 65}, {130, 110});
               }});
  d.push_back(
      {"sparkles", 240, 240, [](TBitmap32& b) {
         const Vec spots[] = {{120, 110}, {55, 55}, {190, 60}, {60, 185}, {185, 185}};
         const double sizes[] = {70, 28, 34, 24, 30};
         for (int i = 0; i < 5; ++i) {
           const Shape s = SparkleShape(spots[i], sizes[i]);
           Fill(b, Grow(s, 6), Solid(Rgba(255, 240, 150, 90)), 14);
           Fill(b, s, RadialGradient(spots[i], sizes[i], Rgba(255, 255, 240), Rgba(255, 190, 40)));
           Fill(b, Outline(s, 1.5), Solid(Rgba(215, 150, 10)));
         }
       }});
  d.push_back({"sun", 240, 240, [](TBitmap32& b) {
                 Sticker(b, Star({120, 120}, 12, 112, 78), Rgba(255, 200, 60), Rgba(255, 140, 20),
                         Rgba(190, 90, 0), {120, 10}, {120, 230}, false);
                 Sticker(b, Circle({120, 120}, 70), Rgba(255, 240, 120), Rgba(255, 180, 30),
                         Rgba(190, 110, 0), {120, 50}, {120, 190});
               }});
  d.push_back({"cloud", 280, 180, [](TBitmap32& b) {
                 Shape s = Union({Circle({90, 100}, 52), Circle({150, 75}, 64),
                                  Circle({205, 105}, 48), RoundedBox({145, 125}, 115, 30, 30)});
                 Sticker(b, s, Rgba(255, 255, 255), Rgba(215, 228, 245), Rgba(110, 140, 180),
                         {145, 10}, {145, 160});
               }});
  d.push_back(
      {"crown", 260, 200, [](TBitmap32& b) {
         const Shape body = Polygon(
             {{30, 170}, {20, 60}, {80, 110}, {130, 30}, {180, 110}, {240, 60}, {230, 170}});
         Sticker(b, body, Rgba(255, 232, 120), Rgba(225, 150, 20), Rgba(140, 90, 0), {130, 30},
                 {130, 175});
         const TColor32 gems[] = {Rgba(230, 30, 60), Rgba(40, 120, 240), Rgba(40, 190, 90)};
         const Vec spots[] = {{75, 145}, {130, 140}, {185, 145}};
         for (int i = 0; i < 3; ++i)
           Sticker(b, Circle(spots[i], 12), Mix(gems[i], 0xFFFFFFFF, 0.4), gems[i],
                   Mix(gems[i], 0xFF000000, 0.5), {spots[i].x, spots[i].y - 12},
                   {spots[i].x, spots[i].y + 12});
       }});
  d.push_back({"gift_box", 220, 240, [](TBitmap32& b) {
                 Sticker(b, RoundedBox({110, 160}, 85, 68, 6), Rgba(120, 200, 255),
                         Rgba(40, 120, 220), Rgba(20, 60, 140), {110, 92}, {110, 228}, false);
                 Sticker(b, RoundedBox({110, 92}, 95, 18, 5), Rgba(140, 215, 255),
                         Rgba(50, 130, 230), Rgba(20, 60, 140), {110, 74}, {110, 110}, false);
                 Fill(
                     b, RoundedBox({110, 160}, 13, 68, 0),
                     LinearGradient({110, 92}, {110, 228}, Rgba(255, 110, 130), Rgba(210, 30, 70)));
                 Fill(b, RoundedBox({110, 92}, 13, 18, 0), Solid(Rgba(250, 80, 110)));
                 const Shape bow = Union(Rotate(Ellipse({80, 55}, 34, 20), {80, 55}, -0.4),
                                         Rotate(Ellipse({140, 55}, 34, 20), {140, 55}, 0.4));
                 Sticker(b, bow, Rgba(255, 120, 140), Rgba(210, 30, 70), Rgba(130, 10, 40),
                         {110, 30}, {110, 80});
               }});
  d.push_back(
      {"party_hat", 200, 240, [](TBitmap32& b) {
         const Shape cone = Polygon({{100, 30}, {170, 215}, {30, 215}});
         Sticker(b, cone, Rgba(255, 120, 200), Rgba(180, 40, 160), Rgba(110, 10, 90), {100, 30},
                 {100, 215}, false);
         for (int i = 0; i < 4; ++i) {
           const double y = 80 + i * 38;
           Fill(b, Intersect(cone, RoundedBox({100, y}, 90, 7, 0)), Solid(Rgba(255, 235, 90, 230)));
         }
         Sticker(b, Circle({100, 28}, 16), Rgba(255, 255, 200), Rgba(255, 200, 40),
                 Rgba(160, 110, 0), {100, 12}, {100, 44});
       }});
  d.push_back({"music_notes", 220, 220, [](TBitmap32& b) {
                 const Shape notes =
                     Union({Rotate(Ellipse({60, 170}, 24, 17), {60, 170}, -0.4),
                            Rotate(Ellipse({160, 150}, 24, 17), {160, 150}, -0.4),
                            RoundedBox({80, 105}, 5, 65, 2), RoundedBox({180, 85}, 5, 65, 2),
                            Polygon({{75, 40}, {185, 20}, {185, 45}, {75, 65}})});
                 Sticker(b, notes, Rgba(90, 90, 120), Rgba(20, 20, 40), Rgba(0, 0, 10), {120, 20},
                         {120, 190});
               }});
  d.push_back({"butterfly", 240, 200, [](TBitmap32& b) {
                 const Shape upper = Union(Rotate(Ellipse({75, 75}, 58, 42), {75, 75}, -0.5),
                                           Rotate(Ellipse({165, 75}, 58, 42), {165, 75}, 0.5));
                 const Shape lower = Union(Rotate(Ellipse({85, 140}, 38, 30), {85, 140}, 0.5),
                                           Rotate(Ellipse({155, 140}, 38, 30), {155, 140}, -0.5));
                 Sticker(b, lower, Rgba(255, 190, 90), Rgba(240, 110, 40), Rgba(140, 50, 0),
                         {120, 110}, {120, 175});
                 Sticker(b, upper, Rgba(255, 140, 200), Rgba(190, 50, 170), Rgba(110, 10, 100),
                         {120, 30}, {120, 120});
                 Fill(b, Union(Circle({75, 75}, 14), Circle({165, 75}, 14)),
                      Solid(Rgba(255, 255, 255, 170)), 3);
                 Fill(b, RoundedBox({120, 108}, 7, 46, 7), Solid(Rgba(60, 40, 40)));
               }});
  d.push_back(
      {"rainbow", 300, 170, [](TBitmap32& b) {
         const TColor32 bands[] = {Rgba(235, 60, 60), Rgba(250, 150, 40), Rgba(250, 220, 60),
                                   Rgba(90, 200, 90), Rgba(60, 150, 240), Rgba(140, 90, 220)};
         const Shape clip = RoundedBox({150, 80}, 150, 80, 0);
         for (int i = 0; i < 6; ++i)
           Fill(b, Intersect(Outline(Circle({150, 165}, 135 - i * 16.0), 16), clip),
                Solid(bands[i]));
         Sticker(b, Union({Circle({35, 150}, 24), Circle({60, 140}, 28), Circle({85, 152}, 20)}),
                 0xFFFFFFFF, Rgba(220, 230, 245), Rgba(120, 140, 170), {60, 110}, {60, 170});
         Sticker(b, Union({Circle({215, 152}, 20), Circle({240, 140}, 28), Circle({265, 150}, 24)}),
                 0xFFFFFFFF, Rgba(220, 230, 245), Rgba(120, 140, 170), {240, 110}, {240, 170});
       }});
  d.push_back(
      {"birthday_cake", 240, 260, [](TBitmap32& b) {
         Sticker(b, RoundedBox({120, 200}, 100, 45, 10), Rgba(255, 210, 170), Rgba(220, 150, 100),
                 Rgba(140, 80, 40), {120, 155}, {120, 245}, false);
         Sticker(b, RoundedBox({120, 135}, 78, 30, 10), Rgba(255, 235, 245), Rgba(250, 170, 205),
                 Rgba(170, 80, 120), {120, 105}, {120, 165}, false);
         for (int i = 0; i < 3; ++i) {
           const double x = 80 + i * 40;
           Fill(b, RoundedBox({x, 85}, 6, 20, 2),
                LinearGradient({x - 6, 85}, {x + 6, 85}, Rgba(130, 200, 255), Rgba(40, 120, 220)));
           Fill(b, Ellipse({x, 55}, 7, 12),
                RadialGradient({x, 60}, 13, Rgba(255, 250, 200), Rgba(255, 140, 20)));
           Fill(b, Grow(Ellipse({x, 55}, 7, 12), 8), Solid(Rgba(255, 220, 120, 60)), 12);
         }
       }});
  d.push_back({"leaf", 200, 220, [](TBitmap32& b) {
                 const Shape leaf = Intersect(Circle({40, 110}, 120), Circle({160, 110}, 120));
                 const Shape turned = Rotate(leaf, {100, 110}, 0.5);
                 Sticker(b, turned, Rgba(170, 230, 110), Rgba(50, 150, 50), Rgba(20, 90, 20),
                         {100, 10}, {100, 210});
                 Fill(b, Capsule({55, 175}, {145, 45}, 2), Solid(Rgba(40, 110, 30, 200)));
               }});
  return d;
}

}  // namespace

std::vector<Asset> ClipAssets() {
  std::vector<Asset> out;
  for (const auto& def : Clips()) {
    Asset a;
    a.Name = std::string(def.Name) + ".png";
    New(a, def.W, def.H);
    def.Paint(*a.Picture);
    out.push_back(std::move(a));
  }
  return out;
}

}  // namespace assets

}  // namespace pictavia
