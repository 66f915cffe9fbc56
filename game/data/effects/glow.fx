// glow.fx - beams, sparks and flames: unlit, added onto what is behind them, seen from
// both sides, and leaving the depth buffer alone so that they never hide each other.
// The vertex colour's alpha (a particle's remaining life) fades them out.

texture tex0;

technique Glow
{
    pass P0
    {
        Lighting = false;
        ZEnable = true;
        ZWriteEnable = false;
        CullMode = None;
        AlphaBlendEnable = true;
        SrcBlend = SrcAlpha;
        DestBlend = One;
        AlphaTestEnable = false;

        Texture[0] = <tex0>;
        ColorOp[0] = Modulate;
        ColorArg1[0] = Texture;
        ColorArg2[0] = Diffuse;
        AlphaOp[0] = SelectArg1;
        AlphaArg1[0] = Diffuse;

        ColorOp[1] = Disable;
        AlphaOp[1] = Disable;
    }
}
