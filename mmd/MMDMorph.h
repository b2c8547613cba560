#pragma once

#include <string>

namespace mmd {

// A named blend control of a model. Callers set the weight between BeginAnimation and UpdateMorphAnimation; the
// model turns it into vertex, UV, material or bone changes. Owned by the model's morph manager.
class MMDMorph {
public:
    MMDMorph();

    // UTF-8 morph name, compared byte for byte by lookups.
    void SetName(const std::string& name) { m_name = name; }
    const std::string& GetName() const { return m_name; }

    // Current weight, normally 0..1 (other values extrapolate). Persists until changed; InitializeAnimation zeroes it.
    void SetWeight(float weight) { m_weight = weight; }
    float GetWeight() const { return m_weight; }

    // Weight that weighted motion blending starts from.
    void SetBaseAnimationWeight(float weight) { m_baseAnimWeight = weight; }
    float GetBaseAnimationWeight() const { return m_baseAnimWeight; }
    // Sets the base weight back to 0.
    void ClearBaseAnimation() { m_baseAnimWeight = 0.0f; }

protected:
    ~MMDMorph();

private:
    std::string m_name;
    float m_weight = 0.0f;
    float m_baseAnimWeight = 0.0f;
};

}  // namespace mmd
