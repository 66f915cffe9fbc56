// background.fx - the picture behind the world: unlit, seen from both sides, and
// leaving the depth buffer alone so that everything drawn later covers it. Its stages are
// those of interface.fx (alpha is not blended here, so it makes no difference to the
// picture): the two share one shader program.

texture tex0;

technique Background
{
    pass P0
    {
        Lighting = false;
        ZEnable = false;
        ZWriteEnable = false;
        CullMode = None;
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
