// blank.fx - draws nothing: for windows that only hold others or take the pointer (the bare
// layers under a question), which have no picture of their own. Blending keeps what is
// already on the screen, and the depth buffer is left alone.

technique Blank
{
    pass P0
    {
        Lighting = false;
        ZEnable = false;
        ZWriteEnable = false;
        CullMode = None;
        AlphaTestEnable = false;
        AlphaBlendEnable = true;
        BlendOp = Add;
        SrcBlend = Zero;
        DestBlend = One;

        ColorOp[0] = SelectArg1;
        ColorArg1[0] = Diffuse;
        AlphaOp[0] = SelectArg1;
        AlphaArg1[0] = Diffuse;

        ColorOp[1] = Disable;
        AlphaOp[1] = Disable;
    }
}
