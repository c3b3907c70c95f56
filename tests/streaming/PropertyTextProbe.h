#pragma once
// An object with one published property of every host type the form text sets, plus a real
// font, for the property-text robustness test and the property-text fuzz target.
#include <cstdint>
#include <string>
#include <vector>

#include "host/core/Types.h"
#include "host/graphics/Font.h"
#include "host/streaming/PropertyRegistry.h"

class TTextProbe : public TPersistent {
public:
    int Integer = 0;
    signed char Shortint = 0;
    short Smallint = 0;
    unsigned char Byte = 0;
    unsigned short Word = 0;
    std::uint32_t Cardinal = 0;
    bool Boolean = false;
    TColor Color = 0;
    TFontCharset Charset = 0;
    TAlignment Alignment = taLeftJustify;
    TFontPitch Pitch = fpDefault;
    TFontStyles Styles;
    std::string Text;
    TFont* Font() { return &FFont; }
    void SetFont(TFont* Value) { FFont.Assign(Value); }

private:
    TFont FFont;
};

// A private registry holding the host's types and the probe, and every property that text can
// reach: the probe's own and those of its font.
class TTextProbeSet {
public:
    struct TTarget {
        TPersistent* Instance;
        const TPropInfo* Prop;
    };

    TTextProbeSet()
    {
        RegisterHostProperties(FRegistry);
        TPropertyRegistry& R = FRegistry;
        R.RegisterMethodType("TNotifyEvent");
        const TClassInfo& info = R.RegisterClass<TTextProbe>("TTextProbe", "TPersistent")
            .Property("Integer", R.Type("Integer"), &TTextProbe::Integer, &TTextProbe::Integer)
            .Property("Shortint", R.Type("Shortint"), &TTextProbe::Shortint, &TTextProbe::Shortint)
            .Property("Smallint", R.Type("Smallint"), &TTextProbe::Smallint, &TTextProbe::Smallint)
            .Property("Byte", R.Type("Byte"), &TTextProbe::Byte, &TTextProbe::Byte)
            .Property("Word", R.Type("Word"), &TTextProbe::Word, &TTextProbe::Word)
            .Property("Cardinal", R.Type("Cardinal"), &TTextProbe::Cardinal, &TTextProbe::Cardinal)
            .Property("Boolean", R.Type("Boolean"), &TTextProbe::Boolean, &TTextProbe::Boolean)
            .Property("Color", R.Type("TColor"), &TTextProbe::Color, &TTextProbe::Color)
            .Property("Charset", R.Type("TFontCharset"), &TTextProbe::Charset, &TTextProbe::Charset)
            .Property("Alignment", R.Type("TAlignment"), &TTextProbe::Alignment, &TTextProbe::Alignment)
            .Property("Pitch", R.Type("TFontPitch"), &TTextProbe::Pitch, &TTextProbe::Pitch)
            .Property("Styles", R.Type("TFontStyles"), &TTextProbe::Styles, &TTextProbe::Styles)
            .Property("Text", R.Type("string"), &TTextProbe::Text, &TTextProbe::Text)
            .Property("Font", R.Type("TFont"), &TTextProbe::Font, &TTextProbe::SetFont)
            .Event("OnChange", R.Type("TNotifyEvent"))
            .Info();
        for (const TPropInfo* prop : info.Properties()) FTargets.push_back({&Probe, prop});
        for (const TPropInfo* prop : R.FindClass("TFont")->Properties()) FTargets.push_back({Probe.Font(), prop});
    }

    TTextProbe Probe;
    const std::vector<TTarget>& Targets() const { return FTargets; }
    const TPropertyRegistry& Registry() const { return FRegistry; }

    // Sets Target from Text and checks the outcome; returns what went wrong, or "" when the text
    // was taken as a value of the property's type or refused with EConvertError and nothing
    // changed. Any other exception passes.
    std::string SetAndCheck(const TTarget& Target, const std::string& Text)
    {
        const std::vector<std::string> before = Snapshot();
        try {
            Target.Prop->SetAsText(Target.Instance, Text);
        } catch (const EConvertError&) {
            return Snapshot() == before ? "" : "a refused text changed a property";
        }
        const TTypeInfo& type = *Target.Prop->PropType;
        // The font keeps its face for an empty name; the probe keeps any text as it is.
        if (type.Kind == tkString) return Target.Instance != &Probe || Probe.Text == Text ? "" : "the string was not kept";
        if (!type.IsOrdinal()) return "a text was taken by a property that has no text form";
        if (!type.InRange(Target.Prop->GetOrd(Target.Instance))) return "the value is out of range";
        const std::int64_t value = type.TextToOrdinal(Text);
        if (type.TextToOrdinal(type.OrdinalToText(value)) != value) return "the value does not read back from its text";
        return "";
    }

private:
    // The text of every property, to see that a refused text changed none.
    std::vector<std::string> Snapshot() const
    {
        std::vector<std::string> texts;
        for (const TTarget& target : FTargets) texts.push_back(target.Prop->GetAsText(target.Instance));
        return texts;
    }

    TPropertyRegistry FRegistry;
    std::vector<TTarget> FTargets;
};
