// simple.fx - the default effect: lit geometry, texture 0 modulated by the lit
// diffuse colour. Objects whose own effect file is missing are drawn with it.

texture tex0;

technique Simple
{
    pass P0
    {
        Lighting = true;
        ZEnable = true;
        ZWriteEnable = true;
        CullMode = CCW;
        AlphaBlendEnable = false;
        AlphaTestEnable = false;

        Texture[0] = <tex0>;
        ColorOp[0] = Modulate;
        ColorArg1[0] = Texture;
        ColorArg2[0] = Diffuse;
        AlphaOp[0] = Modulate;
        AlphaArg1[0] = Texture;
        AlphaArg2[0] = Diffuse;

        ColorOp[1] = Disable;
        AlphaOp[1] = Disable;
    }
}
