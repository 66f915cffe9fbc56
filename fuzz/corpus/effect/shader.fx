float4 main(float4 p : POSITION) : POSITION { return p; }
technique T { pass P { VertexShader = compile vs_2_0 main(); } }
