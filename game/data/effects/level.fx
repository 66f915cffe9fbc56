// level.fx - walls and floors of the rooms: lit geometry, texture 0 modulated by the
// lit diffuse colour, then by the room's light map (texture 1) doubled, so that rooms
// in reach stand out warm and the others stay dim and cold.

texture tex0;
texture tex1;

technique Level
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
        AlphaOp[0] = SelectArg1;
        AlphaArg1[0] = Texture;

        Texture[1] = <tex1>;
        TexCoordIndex[1] = 1;
        ColorOp[1] = Modulate2x;
        ColorArg1[1] = Texture;
        ColorArg2[1] = Current;
        AlphaOp[1] = SelectArg1;
        AlphaArg1[1] = Current;
    }
}
