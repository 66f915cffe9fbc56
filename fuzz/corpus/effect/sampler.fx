float time : TIME < string units = "seconds"; >;
float ref = 64.0f;
float4 tint = float4(1.0, 0.5, 0.25, 1.0);
float4x4 world = {{1,0,0,0},{0,1,0,0},{0,0,1,0},{0,0,0,1}};
texture tex0;
texture tex1 < string file = "light2.tga"; >;
sampler lightMap = sampler_state { Texture = <tex1>; AddressU = Clamp; AddressV = Clamp; MipFilter = Linear; };

/* Two techniques, the second with two passes. */
technique Lit
{
    pass Base
    {
        Texture[0] = <tex0>;
        Sampler[1] = (lightMap);
        ColorOp[1] = Modulate2x; ColorArg1[1] = Texture | Complement; ColorArg2[1] = Current;
        TextureFactor = <tint>; AlphaRef = <ref>; AlphaFunc = Greater; AlphaTestEnable = TRUE;
        MaterialDiffuse = {1, 1, 1, 1}; MaterialPower = 4.5; LightEnable[2] = false;
        WorldTransform[0] = <world>; ColorWriteEnable = Red | Green | Blue | Alpha;
        VertexShader = NULL;
    }
}
technique Glow
{
    pass A { ZEnable = UseW; FillMode = Wireframe; ShadeMode = Flat; BlendOp = Max; }
    pass B { AlphaBlendEnable = 1; SrcBlend = One; DestBlend = One; Ambient = 0xFF202020; }
}
